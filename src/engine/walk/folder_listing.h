#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "engine/fsio/file_descriptor.h"

namespace trackfold {

struct ListedFile {
    std::string name;
    bool regular = true;  // a regular file, or a link to one
    bool link = false;
};

struct ListedFolder {
    std::string name;
    bool link = false;
};

// One folder's entries, each list in byte order of the names, so a run is repeatable.
struct FolderListing {
    std::vector<ListedFile> files;  // everything that is not a folder, links included
    std::vector<ListedFolder> folders;
    std::error_code error{};  // set: the folder could not be listed whole
};

// Lists the whole folder before anything in it is touched, so files copied into it during the
// run are not taken by it. A placement record is never listed.
FolderListing list_folder(const std::string& folder);
FolderListing list_open_folder(int folder_fd);
// For list_open_folder: a descriptor of -1 with errno set when it cannot be opened.
FileDescriptor open_folder(const std::string& folder);

}  // namespace trackfold
