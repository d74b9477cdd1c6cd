#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path.h"

namespace trackfold {

// The nearest path of `path` and its folders that is there: where something missing would be
// made. "." when none of them is.
std::string nearest_existing(std::string_view path);

enum class MissingFolders { refuse, make };

// The folder that holds the last part of `relative` and that part's name, reached from the
// open folder `root_fd` one part at a time without following any link, so that nothing a link
// or a ".." leads to is ever reached. With MissingFolders::make, missing folders on the way
// are made.
struct Beneath {
    FileDescriptor folder{-1};
    std::string name{};
    std::error_code error{};
};
Beneath open_beneath(int root_fd, std::string_view relative, MissingFolders missing);

// An absolute real path opened as a folder from "/" the same way.
struct OpenedFolder {
    FileDescriptor folder{-1};
    std::error_code error{};
};
OpenedFolder open_folder_nofollow(const std::string& absolute);

}  // namespace trackfold
