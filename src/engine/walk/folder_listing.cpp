#include "engine/walk/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/system_error.h"
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

FolderListing list_open_folder(int folder_fd) {
    FolderListing listing;
    // Read straight from the kernel: opendir would stat the folder once more.
    alignas(dirent64) char buffer[32 << 10];
    for (;;) {
        const ssize_t got = ::getdents64(folder_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got < 0) {
                listing.error = last_error();
            }
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            std::string name = entry->d_name;
            // The record of an output folder that lies in the input is never a source.
            if (name == "." || name == ".." || name == kRecordFileName) {
                continue;
            }
            const EntryKind kind = kind_of(folder_fd, entry->d_name, entry->d_type);
            if (kind.folder) {
                listing.folders.push_back({std::move(name), kind.link});
            } else {
                listing.files.push_back({std::move(name), kind.regular, kind.link});
            }
        }
    }
    std::sort(listing.files.begin(), listing.files.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const ListedFolder& a, const ListedFolder& b) { return a.name < b.name; });
    return listing;
}

FileDescriptor open_folder(const std::string& folder) {
    return FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
}

FolderListing list_folder(const std::string& folder) {
    const FileDescriptor dir = open_folder(folder);
    if (dir.get() < 0) {
        return {{}, {}, last_error()};
    }
    return list_open_folder(dir.get());
}

}  // namespace trackfold
