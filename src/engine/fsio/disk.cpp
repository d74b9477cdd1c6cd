#include "engine/fsio/disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path_inside.h"
#include "engine/fsio/same_content.h"
#include "engine/fsio/system_error.h"

namespace trackfold {

namespace {

class RealDisk final : public Disk {
  public:
    // A real run makes the folder and a file in it, which is what the walk will do.
    std::string output_problem(const std::string& output, const std::string& probe) override {
        std::error_code ec;
        make_folders(output, ec);
        if (ec) {
            return "cannot make the output folder " + output + ": " + ec.message();
        }
        const std::string name = output + probe;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            return "cannot write the output folder " + output + ": " + std::strerror(errno);
        }
        ::close(fd);
        ::unlink(name.c_str());
        return {};
    }

    bool keeps_record() const override { return true; }
    bool copies_in_parallel() const override { return true; }

    LearntTraits learn(const std::string& folder, const std::string& temp_prefix) override {
        const ProbedTraits probe = probe_disk(folder, temp_prefix);
        return {probe.traits, probe.probed, false};
    }

    std::error_code unopened_folder(int error) const override {
        return {error, std::generic_category()};
    }

    MadeFolder make_folder(const std::string& path) override {
        if (::mkdir(path.c_str(), 0777) == 0) {
            return {true, {}};
        }
        if (errno != EEXIST) {
            return {false, last_error()};
        }
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return {false, std::make_error_code(std::errc::file_exists)};
        }
        return {};
    }

    bool remove_empty_folder(const std::string& path) override {
        return ::rmdir(path.c_str()) == 0;
    }

    void remove_temporary(int folder_fd, const std::string& name) override {
        ::unlinkat(folder_fd, name.c_str(), 0);
    }

    CopyOutcome copy_to_new(const CopyJob& job, const std::string& temp, NewCopy how) override {
        return trackfold::copy_to_new(job.source, job.folder_fd, job.name, temp, how);
    }

    CopyOutcome copy_over(const CopyJob& job, const std::string& temp) override {
        return trackfold::copy_over(job.source, job.folder_fd, job.name, temp);
    }

    std::error_code rename_into(const std::string& source_path, int folder_fd,
                                const std::string& name, Overwrite overwrite) override {
        if (overwrite == Overwrite::no) {
            return rename_no_replace(AT_FDCWD, source_path, folder_fd, name);
        }
        return ::renameat(AT_FDCWD, source_path.c_str(), folder_fd, name.c_str()) == 0
                   ? std::error_code()
                   : last_error();
    }

    bool same_content(const std::string& source, const std::string& target) const override {
        return trackfold::same_content(source, target);
    }

    std::optional<ForeseenRemoval> foresee_removal(const std::string&, std::uint64_t,
                                                   const std::string&) override {
        return std::nullopt;
    }

    std::error_code flush(const std::string& folder) override { return flush_disk(folder); }

    std::error_code remove_file(int folder_fd, const std::string& name) override {
        return ::unlinkat(folder_fd, name.c_str(), 0) == 0 ? std::error_code() : last_error();
    }

    bool remove_folder_at(int folder_fd, const std::string& name) override {
        return ::unlinkat(folder_fd, name.c_str(), AT_REMOVEDIR) == 0;
    }

    std::error_code carry_back(const CarryBack& job) override {
        const Beneath to = open_beneath(job.root_fd, job.relative, MissingFolders::make);
        if (to.error) {
            return to.error;
        }
        std::error_code ec = std::make_error_code(std::errc::cross_device_link);
        if (job.way == CarryBack::Way::move) {
            ec = rename_no_replace(job.from_dir, job.name, to.folder.get(), to.name);
        }
        if (ec == std::errc::cross_device_link) {
            ec = copy_whole(job, to);
            if (!ec && job.way == CarryBack::Way::move) {
                ec = remove_file(job.from_dir, job.name);
            }
        }
        if (!ec) {
            // A disk with coarser times kept only part of them: the record has all.
            const timespec times[2] = {{0, UTIME_OMIT},
                                       {job.mtime_ns / 1000000000, job.mtime_ns % 1000000000}};
            ::utimensat(to.folder.get(), to.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
        }
        return ec;
    }

  private:
    static void make_folders(const std::string& path, std::error_code& ec) {
        std::filesystem::create_directories(path, ec);
    }

    // Whole and on the disk before it gets its name, with its times, and the same bytes.
    static std::error_code copy_whole(const CarryBack& job, const Beneath& to) {
        const FileDescriptor in(
            ::openat(job.from_dir, job.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        OpenSource from{in.get(), {}};
        if (in.get() < 0 || ::fstat(in.get(), &from.info) != 0) {
            return last_error();
        }
        const int folder = to.folder.get();
        CopyOutcome outcome = trackfold::copy_to_new(from, folder, to.name, "", NewCopy::unnamed,
                                                     Durability::at_once);
        if (outcome.error && outcome.error != std::errc::file_exists) {
            outcome = trackfold::copy_to_new(from, folder, to.name, job.temp,
                                             NewCopy::via_temporary, Durability::at_once);
        }
        if (outcome.error) {
            return outcome.error;
        }
        const FileDescriptor copy(
            ::openat(folder, to.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (copy.get() < 0 || !same_content_of(in.get(), copy.get())) {
            ::unlinkat(folder, to.name.c_str(), 0);
            return std::make_error_code(std::errc::io_error);
        }
        return {};
    }
};

class PreviewDisk final : public Disk {
  public:
    // A preview writes nothing, so it asks the system instead of trying.
    std::string output_problem(const std::string& output, const std::string&) override {
        const std::string there = nearest_existing(output);
        struct stat info {};
        if (::stat(there.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return "cannot make the output folder " + output + ": " + there + " is not a folder";
        }
        if (::faccessat(AT_FDCWD, there.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
            return "cannot write the output folder " + output + ": " + std::strerror(errno);
        }
        return {};
    }

    bool keeps_record() const override { return false; }
    bool copies_in_parallel() const override { return false; }

    // The probe writes a file; the preview goes by what the disk is.
    LearntTraits learn(const std::string& folder, const std::string&) override {
        const PredictedTraits predicted = predict_disk(folder);
        return {predicted.traits, true, !predicted.known};
    }

    std::error_code unopened_folder(int) const override { return {}; }

    // What making the folder would meet.
    MadeFolder make_folder(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
            return {false, std::make_error_code(std::errc::file_exists)};
        }
        return {true, {}};
    }

    bool remove_empty_folder(const std::string&) override { return false; }

    void remove_temporary(int, const std::string&) override {}

    CopyOutcome copy_to_new(const CopyJob& job, const std::string&, NewCopy) override {
        return plan_copy(job);
    }

    CopyOutcome copy_over(const CopyJob& job, const std::string&) override {
        return plan_copy(job);
    }

    // Taken for a copy, which the preview foresees the same way.
    std::error_code rename_into(const std::string&, int, const std::string&, Overwrite) override {
        return std::make_error_code(std::errc::cross_device_link);
    }

    bool same_content(const std::string& source, const std::string& target) const override {
        const auto planned = planned_.find(target);
        return trackfold::same_content(source,
                                       planned != planned_.end() ? planned->second : target);
    }

    // The source's folder may not be changed, or the copy lies on the source's own disk.
    std::optional<ForeseenRemoval> foresee_removal(const std::string& source_path,
                                                   std::uint64_t source_device,
                                                   const std::string& target_folder) override {
        const std::string folder = parent_folder(source_path);
        if (::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK, AT_EACCESS) != 0) {
            return ForeseenRemoval{last_error(), false};
        }
        return ForeseenRemoval{{}, source_device != device_of(target_folder)};
    }

    std::error_code flush(const std::string&) override { return {}; }

    std::error_code remove_file(int, const std::string&) override { return {}; }
    bool remove_folder_at(int, const std::string&) override { return true; }
    std::error_code carry_back(const CarryBack&) override { return {}; }

  private:
    // What the copy would meet in a folder that is there and may not be written; a folder
    // the run would make is not there, and takes what it is given.
    CopyOutcome plan_copy(const CopyJob& job) {
        auto [known, fresh] = unwritable_.try_emplace(job.folder, 0);
        if (fresh && job.folder_fd >= 0 && ::faccessat(job.folder_fd, ".", W_OK, AT_EACCESS) != 0) {
            known->second = errno;
        }
        if (known->second != 0) {
            return {{known->second, std::generic_category()}, {}};
        }
        planned_[job.folder + job.name] = job.source_path;
        return {};
    }

    // The disk a folder is on, or would be on once the run has made it.
    std::uint64_t device_of(const std::string& folder) {
        const auto known = devices_.find(folder);
        if (known != devices_.end()) {
            return known->second;
        }
        struct stat info {};
        ::stat(nearest_existing(folder).c_str(), &info);
        return devices_[folder] = static_cast<std::uint64_t>(info.st_dev);
    }

    // The source each planned target would hold.
    std::unordered_map<std::string, std::string> planned_;
    std::unordered_map<std::string, int> unwritable_;  // by folder: the errno a copy would meet
    std::unordered_map<std::string, std::uint64_t> devices_;
};

}  // namespace

std::unique_ptr<Disk> make_disk(DiskMode mode) {
    if (mode == DiskMode::preview) {
        return std::make_unique<PreviewDisk>();
    }
    return std::make_unique<RealDisk>();
}

Disk& real_disk() {
    static RealDisk disk;
    return disk;
}

}  // namespace trackfold
