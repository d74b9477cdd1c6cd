#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/events/run_events.h"
#include "engine/walk/folder_listing.h"

namespace trackfold {

// The Ignore setting: glob patterns separated by ';', each matched against a file's or a
// folder's own name, never a path. '*' is any run of characters, '?' one character, "[abc]",
// "[a-z]" and "[!abc]" one of a set (or not); letter case does not count. Blanks around a
// pattern are dropped. A pattern with a '/' could never match a name and is dropped, and so is
// every pattern past the 64th or longer than 255 bytes, so that no setting makes the walk slow.
struct IgnorePatterns {
    std::vector<std::string> patterns{};  // case-folded, as written otherwise
};
IgnorePatterns parse_ignore_patterns(std::string_view setting);

enum class NameKind { file, folder };

// Why a name is left out, and by which pattern.
struct LeftOutName {
    LeftOutBy by = LeftOutBy::system_file;
    std::string pattern{};  // LeftOutBy::ignore_setting: the first pattern that matched
};

// Whether the walk leaves a file or folder out by its name alone, before its type is looked
// at: nullopt when it does not. The systems' own files are never music, whatever their
// extension says: macOS's AppleDouble "._" files (a "._Song.mp3" holds the resource fork of
// "Song.mp3", and no audio), ".DS_Store", and Windows' "Thumbs.db" and "desktop.ini", in any
// letter case.
std::optional<LeftOutName> left_out_name(std::string_view name, NameKind kind,
                                         const IgnorePatterns& ignore);

// Takes the files and folders left out by their names out of a listing of `folder` (which ends
// in the separator), and says which they were, in the listing's order: files, then folders.
std::vector<NameLeftOut> take_out_left_out(const std::string& folder, FolderListing& listing,
                                           const IgnorePatterns& ignore);

// Whether a case-folded pattern matches a case-folded name, by the rules above. The cost is at
// most the product of their lengths: no pattern makes it backtrack without end.
bool glob_matches(std::string_view pattern, std::string_view name);

}  // namespace trackfold
