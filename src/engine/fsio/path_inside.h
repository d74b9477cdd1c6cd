#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/fsio/file_descriptor.h"

namespace trackfold {

// A path that stays inside the folder it is relative to: not empty, not absolute, and no part
// empty, "." or "..". What a record line names must be one.
bool is_plain_relative(std::string_view path);

// Whether the real path `path` is `folder` or lies below it.
bool is_inside(std::string_view path, std::string_view folder);

// The relative part of `path` below `folder` (both real paths), or nothing when it is not
// below it.
std::optional<std::string> relative_below(std::string_view path, std::string_view folder);

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
FileDescriptor open_folder_nofollow(const std::string& absolute, std::error_code& ec);

}  // namespace trackfold
