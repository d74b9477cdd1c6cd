#include "engine/walk/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "engine/fsio/file_descriptor.h"
#include "engine/record/record_line.h"

namespace trackfold {

namespace {

struct EntryKind {
    bool folder = false;
    bool regular = false;
    bool link = false;
};

// The entry's own type, as the listing gave it, spares a stat per file; a link is still
// followed, and a dangling one counts as a regular file, so that its failure has its reason.
EntryKind kind_of(int dir_fd, const char* name, unsigned char type) {
    struct stat info {};
    if (type == DT_UNKNOWN && ::fstatat(dir_fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        type = S_ISLNK(info.st_mode)   ? DT_LNK
               : S_ISDIR(info.st_mode) ? DT_DIR
               : S_ISREG(info.st_mode) ? DT_REG
                                       : DT_UNKNOWN;
    }
    if (type != DT_LNK) {
        return {type == DT_DIR, type == DT_REG, false};
    }
    const bool followed = ::fstatat(dir_fd, name, &info, 0) == 0;
    return {followed && S_ISDIR(info.st_mode), !followed || S_ISREG(info.st_mode), true};
}

}  // namespace

FolderListing list_folder(const std::string& folder) {
    FolderListing listing;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        listing.error.assign(errno, std::generic_category());
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                listing.error.assign(errno, std::generic_category());
            }
            break;
        }
        std::string name = entry->d_name;
        // The record of an output folder that lies in the input is never a source.
        if (name == "." || name == ".." || name == kRecordFileName) {
            continue;
        }
        const EntryKind kind = kind_of(::dirfd(dir.get()), entry->d_name, entry->d_type);
        if (kind.folder) {
            listing.folders.push_back({std::move(name), kind.link});
        } else {
            listing.files.push_back({std::move(name), kind.regular, kind.link});
        }
    }
    std::sort(listing.files.begin(), listing.files.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const ListedFolder& a, const ListedFolder& b) { return a.name < b.name; });
    return listing;
}

}  // namespace trackfold
