#pragma once

#include <string>
#include <vector>

#include "engine/walk/folder_listing.h"

namespace trackfold {

// A companion file of a source folder.
struct CompanionFile {
    std::string below;  // the sub-folders it lies in, below the source folder: "" or "Scans/"
    ListedFile file;
};

// The companion files of `folder` (ending in the separator), whose own listing is given: its
// own, and those in its companion sub-folders and theirs, a few levels down. Audio files (of
// `audio_types`) are never among them; linked folders and unreadable ones are not entered.
std::vector<CompanionFile> companion_files(const std::string& folder, const FolderListing& listing,
                                           const std::vector<std::string>& audio_types);

}  // namespace trackfold
