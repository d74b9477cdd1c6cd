#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trackfold {

// The rules of paths as text, each in one place. Folders the walk hands on end in "/"; real
// paths and the record's relative paths do not.

// A path that stays inside the folder it is relative to: not empty, not absolute, and no part
// empty, "." or "..". What a record line names must be one.
bool is_plain_relative(std::string_view path);

// Whether the path `path` is `folder` or lies below it; a separator at the folder's end counts
// for nothing.
bool is_inside(std::string_view path, std::string_view folder);

// The relative part of `path` below `folder` (both real paths), or nothing when it is not
// below it.
std::optional<std::string> relative_below(std::string_view path, std::string_view folder);

// The folder that holds a file or folder, with its separator: "a/b/" for "a/b/c.mp3" and for
// "a/b/c/"; "" for a bare name; "/" for what lies at the root.
std::string parent_folder(std::string_view path);

// The last part of a path: "c.mp3" for "a/b/c.mp3".
std::string last_name(std::string_view path);

// A name in a folder, with one separator between them whether the folder ends in one or not;
// a name in "" is the name itself.
std::string join_path(std::string_view folder, std::string_view name);

// A folder's path relative to the output folder, without doubled or trailing separators: ""
// for the output folder itself.
std::string relative_to_output(std::string_view output, std::string_view folder);

}  // namespace trackfold
