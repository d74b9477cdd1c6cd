#include "engine/target_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "engine/file_copy.h"
#include "engine/file_descriptor.h"
#include "engine/folder_names.h"
#include "util/case_fold.h"

namespace trackfold {

namespace {

// Reads until the buffer is full or the file ends.
ssize_t read_fully(int fd, char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The source as far as one placement needs it: its stat to compare with a target found in the
// folder, a descriptor to copy from for a new one. Each is asked of the system once, when first
// needed, so a first run does not stat what it opens and a re-run does not open what it skips.
class SourceFile {
  public:
    explicit SourceFile(const std::string& path) : path_(path) {}

    const struct stat* info() {
        if (!asked_) {
            asked_ = true;
            if (::stat(path_.c_str(), &source_.info) != 0) {
                error_.assign(errno, std::generic_category());
            }
        }
        return error_ ? nullptr : &source_.info;
    }

    const OpenSource* opened() {
        if (!fd_) {
            asked_ = true;
            error_.clear();
            fd_.emplace(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
            source_.fd = fd_->get();
            if (source_.fd < 0 || ::fstat(source_.fd, &source_.info) != 0) {
                error_.assign(errno, std::generic_category());
            }
        }
        return error_ ? nullptr : &source_;
    }

    std::error_code error() const { return error_; }

  private:
    const std::string& path_;
    std::optional<FileDescriptor> fd_;
    OpenSource source_{-1, {}};
    bool asked_ = false;
    std::error_code error_;
};

}  // namespace

bool same_content(const std::string& a, const std::string& b) {
    const FileDescriptor file_a(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    const FileDescriptor file_b(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info_a {};
    struct stat info_b {};
    if (file_a.get() < 0 || file_b.get() < 0 || ::fstat(file_a.get(), &info_a) != 0 ||
        ::fstat(file_b.get(), &info_b) != 0) {
        return false;
    }
    if (same_file(info_a, info_b)) {
        return true;
    }
    if (info_a.st_size != info_b.st_size) {
        return false;
    }
    char buffer_a[1 << 16];
    char buffer_b[1 << 16];
    for (;;) {
        const ssize_t got_a = read_fully(file_a.get(), buffer_a, sizeof buffer_a);
        const ssize_t got_b = read_fully(file_b.get(), buffer_b, sizeof buffer_b);
        if (got_a < 0 || got_a != got_b || !std::equal(buffer_a, buffer_a + got_a, buffer_b)) {
            return false;
        }
        if (got_a == 0) {
            return true;
        }
    }
}

TargetWriter::TargetWriter(OutputTree& tree, const std::vector<std::string>& input_roots)
    : tree_(tree), input_roots_(input_roots), temp_prefix_(temp_prefix()) {}

bool TargetWriter::inside_input(const std::string& real_path) const {
    if (real_path.empty()) {
        // Where it cannot be told, the folder is taken to be part of the input.
        return true;
    }
    return std::any_of(input_roots_.begin(), input_roots_.end(), [&](const std::string& root) {
        return real_path.starts_with(root) && (real_path.size() == root.size() ||
                                               real_path[root.size()] == '/' || root.back() == '/');
    });
}

std::string TargetWriter::temp_name() {
    return temp_prefix_ + std::to_string(++temp_serial_) + ".part";
}

PlacedFile TargetWriter::preview_place(OutputTree::Folder& place, const std::string& folder,
                                       const std::string& source, const std::string& candidate) {
    if (const FileDescriptor readable(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        readable.get() < 0) {
        return {folder + candidate, {errno, std::generic_category()}, {}};
    }
    struct stat info {};
    ::stat(source.c_str(), &info);
    OutputTree::Entry& entry =
        place.entries.try_emplace(fold_case(candidate), OutputTree::Entry{candidate}).first->second;
    entry.placed = true;
    entry.size = static_cast<std::uintmax_t>(info.st_size);
    preview_sources_[folder + entry.name] = source;
    return {folder + entry.name, {}, {}};
}

PlacedFile TargetWriter::copy(const std::string& source, const std::string& folder,
                              const std::string& name) {
    OutputTree::Folder& place = tree_.folder(folder);
    const DiskTraits& disk = place.traits;
    const bool protected_folder = inside_input(place.real_path);
    const bool preview = tree_.preview();
    const int folder_fd = tree_.open_folder(place, folder);
    // A folder the preview would have made is not there: it holds only what the preview put.
    if (folder_fd < 0 && !preview) {
        return {folder + name, {errno, std::generic_category()}, {}};
    }
    SourceFile from_file(source);
    const std::string wanted = target_file_name(name, disk);

    auto placed_at = [&](OutputTree::Entry& entry, CopyOutcome outcome = {}) -> PlacedFile {
        if (!outcome.error) {
            entry.placed = true;
            entry.size = static_cast<std::uintmax_t>(from_file.info()->st_size);
        }
        return {folder + entry.name, outcome.error, outcome.time_error};
    };

    for (int n = 1;;) {
        const std::string candidate = numbered_file_name(wanted, n, disk.name_max);
        std::string folded = fold_case(candidate);
        OutputTree::Entry* entry = place.find(folded);
        if (entry == nullptr && preview) {
            return preview_place(place, folder, source, candidate);
        }
        if (entry == nullptr) {
            const OpenSource* opened = from_file.opened();
            if (opened == nullptr) {
                return {folder + candidate, from_file.error(), {}};
            }
            const CopyOutcome outcome =
                copy_to_new(*opened, folder_fd, candidate,
                            disk.unnamed_files ? std::string() : temp_name(), disk.unnamed_files);
            if (outcome.error == std::errc::file_exists) {
                // Something took the name since the folder was listed: look at it as at any
                // file found there.
                place.entries.try_emplace(std::move(folded), OutputTree::Entry{candidate});
                continue;
            }
            if (outcome.error) {
                return {folder + candidate, outcome.error, {}};
            }
            return placed_at(
                place.entries.try_emplace(std::move(folded), OutputTree::Entry{candidate})
                    .first->second,
                outcome);
        }
        const std::string target = folder + entry->name;
        if (from_file.info() == nullptr) {
            return {target, from_file.error(), {}};
        }
        const struct stat& from = *from_file.info();
        const auto size = static_cast<std::uintmax_t>(from.st_size);
        if (entry->placed) {
            // Put there by this run: one target holds one recording.
            const auto previewed = preview_sources_.find(target);
            const std::string& holds =
                previewed != preview_sources_.end() ? previewed->second : target;
            if (entry->size == size && same_content(source, holds)) {
                return {target, {}, {}};
            }
            ++n;
            continue;
        }
        struct stat to {};
        const bool found = !entry->is_folder && folder_fd >= 0 &&
                           ::fstatat(folder_fd, entry->name.c_str(), &to, 0) == 0;
        if (found && S_ISREG(to.st_mode) && same_file(from, to)) {
            return placed_at(*entry);
        }
        if (protected_folder) {
            if (found && S_ISREG(to.st_mode) && to.st_size == from.st_size &&
                same_content(source, target)) {
                return placed_at(*entry);
            }
            ++n;
            continue;
        }
        if (entry->is_folder || (found && !S_ISREG(to.st_mode))) {
            ++n;
            continue;
        }
        // An earlier run's copy: kept while it has the source's size and time, as the disk
        // keeps times.
        if (found && to.st_size == from.st_size &&
            same_time(to.st_mtim, from.st_mtim, disk.time_step_ns)) {
            return placed_at(*entry);
        }
        if (preview) {
            return preview_place(place, folder, source, entry->name);
        }
        const OpenSource* opened = from_file.opened();
        if (opened == nullptr) {
            return {target, from_file.error(), {}};
        }
        return placed_at(*entry, copy_over(*opened, folder_fd, entry->name, temp_name()));
    }
}

}  // namespace trackfold
