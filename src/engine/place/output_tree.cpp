#include "engine/place/output_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path.h"
#include "engine/naming/folder_names.h"
#include "util/case_fold.h"
#include "util/real_path.h"

namespace fs = std::filesystem;

namespace trackfold {

OutputTree::Entry* OutputTree::Folder::find(const std::string& folded_name) {
    const auto found = entries.find(folded_name);
    return found == entries.end() ? nullptr : &found->second;
}

OutputTree::OutputTree(Hooks hooks, Disk& disk) : hooks_(std::move(hooks)), disk_(disk) {}

OutputTree::~OutputTree() = default;

OutputTree::Handle OutputTree::open_folder(Folder& folder, const std::string& path) {
    if (folder.handle) {
        return folder.handle;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        // A folder we may write but not list still takes new files by name.
        fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) {
        return nullptr;
    }
    // Well below the usual limit of 1,024 descriptors, with the copies under way.
    constexpr std::size_t kOpenFolders = 64;
    if (open_folders_.size() == kOpenFolders) {
        open_folders_.front()->handle.reset();
        open_folders_.pop_front();
    }
    folder.handle = std::make_shared<const FileDescriptor>(fd);
    open_folders_.push_back(&folder);
    return folder.handle;
}

MadeFolder OutputTree::make_folder(const std::string& path) {
    const MadeFolder made = disk_.make_folder(path);
    if (made.made_now && hooks_.made_folder) {
        hooks_.made_folder(path);
    }
    return made;
}

std::error_code OutputTree::ensure(const std::string& folder) {
    if (ensured_.contains(folder)) {
        return {};
    }
    // Level by level from the top, so that each folder the run makes is told.
    const fs::path normal = fs::path(folder).lexically_normal();
    fs::path made;
    for (const fs::path& part : normal) {
        made /= part;
        if (part.empty() || part == "/" || part == "." || part == "..") {
            continue;
        }
        if (const std::error_code ec = make_folder(made.string()).error) {
            return ec;
        }
    }
    ensured_.insert(folder);
    return {};
}

DiskTraits OutputTree::traits_of(dev_t device, const std::string& path) {
    if (const auto known = disks_.find(device); known != disks_.end()) {
        return known->second;
    }
    const LearntTraits learnt = disk_.learn(path, hooks_.temp_prefix);
    if (learnt.unsure && hooks_.unsure_disk) {
        hooks_.unsure_disk(path);
    }
    if (learnt.settled) {
        // Otherwise tried again in the next folder of this disk, which may be writable.
        disks_.emplace(device, learnt.traits);
    }
    return learnt.traits;
}

DiskTraits OutputTree::disk_traits(const std::string& folder) {
    // A folder a preview would make is not there; it is known as it will be listed.
    struct stat info {};
    return traits_of(::stat(folder.c_str(), &info) == 0 ? info.st_dev : 0, folder);
}

void OutputTree::list(const std::string& path, Folder& folder) {
    std::vector<Entry> names;
    struct stat info {};
    if (std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str())); dir) {
        const int dir_fd = ::dirfd(dir.get());
        if (::fstat(dir_fd, &info) == 0) {
            folder.device = info.st_dev;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            if (hooks_.is_stale_temp && hooks_.is_stale_temp(name)) {
                disk_.remove_temporary(dir_fd, name);
                continue;
            }
            Entry found{std::move(name), entry->d_type == DT_DIR, entry->d_type == DT_LNK};
            if (entry->d_type == DT_UNKNOWN &&
                ::fstatat(dir_fd, found.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
                found.is_folder = S_ISDIR(info.st_mode);
                found.is_link = S_ISLNK(info.st_mode);
            }
            if (found.is_link) {
                found.is_folder =
                    ::fstatat(dir_fd, found.name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
            }
            names.push_back(std::move(found));
        }
    } else if (::stat(path.c_str(), &info) == 0) {
        folder.device = info.st_dev;
    }
    // Byte order, so that of two names differing only in case the same one wins every run.
    std::sort(names.begin(), names.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    for (Entry& entry : names) {
        std::string folded = fold_case(entry.name);
        folder.entries.try_emplace(std::move(folded), std::move(entry));
    }
    if (folder.real_path.empty()) {
        folder.real_path = real_path(path);
    }
    folder.traits = traits_of(folder.device, path);
    folder.listed = true;
}

OutputTree::Folder& OutputTree::record(const std::string& path) {
    if (const auto known = by_text_.find(path); known != by_text_.end()) {
        return *known->second;
    }
    Folder& made = folders_[fs::path(path).lexically_normal().string()];
    by_text_.emplace(path, &made);
    return made;
}

OutputTree::Folder& OutputTree::folder(const std::string& path) {
    // Asked for every file: the normal form of a path text is worked out only once.
    Folder& found = record(path);
    if (!found.listed) {
        list(path, found);
    }
    return found;
}

std::string OutputTree::known_child(const std::string& parent, const Folder& above, Entry& found) {
    const std::string path = parent + found.name;
    if (!found.child_known && !found.is_link && !above.real_path.empty()) {
        // Where it really is follows from its parent: spares resolving it when it is listed.
        Folder& child = record(path + "/");
        if (child.real_path.empty()) {
            child.real_path = join_path(above.real_path, found.name);
        }
        found.child_known = true;
    }
    return path;
}

std::optional<std::string> OutputTree::existing_child(const std::string& parent,
                                                      const std::string& name) {
    Folder& above = folder(parent);
    Entry* found = above.find(fold_case(name));
    if (found == nullptr || !found->is_folder || found->name != name) {
        return std::nullopt;
    }
    return known_child(parent, above, *found);
}

FolderPath OutputTree::ensure_child(const std::string& parent, const std::string& tag_text) {
    Folder& above = folder(parent);
    const std::string name = safe_folder_name(tag_text, above.traits.name_max);
    std::string folded = fold_case(name);
    Entry* found = above.find(folded);
    if (found != nullptr && found->is_folder) {
        return {known_child(parent, above, *found)};
    }
    const std::string path = parent + name;
    if (found != nullptr) {
        // A file stands where the folder would be made, under this name or one that differs
        // only in case: a second name that a FAT player takes for the same is not made.
        return {path, std::make_error_code(std::errc::file_exists)};
    }
    const MadeFolder made_here = make_folder(path);
    if (made_here.error) {
        return {path, made_here.error};
    }
    Entry& entry = above.entries.try_emplace(std::move(folded), Entry{name, true}).first->second;
    if (!made_here.made_now) {
        return {path};
    }
    // Known to be empty: it needs no listing, and it lies where its parent does.
    Folder& made = record(path + "/");
    if (!made.listed) {
        made.listed = true;
        made.device = above.device;
        made.traits = above.traits;
        if (!above.real_path.empty()) {
            made.real_path = join_path(above.real_path, name);
        }
    }
    entry.child_known = true;
    return {path};
}

}  // namespace trackfold
