#include "engine/walk/file_count.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>

#include "engine/fsio/disk_space.h"
#include "engine/fsio/path.h"
#include "engine/naming/file_types.h"
#include "engine/walk/folder_listing.h"
#include "engine/walk/walk_rules.h"
#include "util/real_path.h"

namespace trackfold {

FileCount::FileCount(std::string input, std::vector<std::string> accepted, std::string output,
                     std::uint64_t output_device, CountedSizes sizes, IgnorePatterns ignore)
    : accepted_(std::move(accepted)),
      ignore_(std::move(ignore)),
      output_device_(output_device),
      sizes_(sizes) {
    thread_ = std::thread([this, input = std::move(input), output = std::move(output)] {
        count_all(input, output);
        if (!stop_) {
            total_ = counted_;
            done_ = true;
        }
    });
}

bool sizes_can_matter(std::uintmax_t used_on_input_disks, std::uintmax_t free_on_output) {
    return used_on_input_disks > free_on_output;
}

void FileCount::count_all(const std::string& input, const std::string& output) {
    if (sizes_ == CountedSizes::all) {
        const std::optional<DiskSpace> space = disk_space(output);
        output_free_ = space ? space->free_bytes : 0;
    }
    const std::string input_real = real_path(input);
    WalkRules rules(input_real, real_path(output));
    count(input, input_real, rules);
    if (exact_ && unsized_ && !stop_) {
        // The sizes came to matter part-way, at a disk met late: counted again, each file's.
        counted_ = 0;
        bytes_ = {};
        WalkRules again(input_real, real_path(output));
        count(input, input_real, again);
    }
}

bool FileCount::sizes_matter(const std::string& folder, std::uint64_t device) {
    if (sizes_ == CountedSizes::none || exact_) {
        return exact_;
    }
    if (std::find(input_disks_.begin(), input_disks_.end(), device) == input_disks_.end()) {
        input_disks_.push_back(device);
        struct statvfs disk {};
        exact_ = ::statvfs(folder.c_str(), &disk) != 0;
        used_on_input_disks_ +=
            static_cast<std::uintmax_t>(disk.f_blocks - disk.f_bfree) * disk.f_frsize;
        exact_ = exact_ || sizes_can_matter(used_on_input_disks_, output_free_);
    }
    return exact_;
}

FileCount::~FileCount() {
    stop_ = true;
    thread_.join();
}

std::optional<std::size_t> FileCount::total() const {
    return done_ ? std::optional<std::size_t>(total_) : std::nullopt;
}

std::optional<CountedBytes> FileCount::bytes() const {
    // Written before done_ is set, and never after.
    return done_ && exact_ ? std::optional<CountedBytes>(bytes_) : std::nullopt;
}

// Enters the folders the walk enters, by the walk's own rules, and knows where each really is
// as the walk does: from its parent, unless it is a link.
void FileCount::count(const std::string& folder, const std::string& real, WalkRules& rules) {
    struct stat info {};
    if (stop_ || ::stat(folder.c_str(), &info) != 0 ||
        rules.enter(folder, real, info.st_dev, info.st_ino).verdict != WalkRules::Verdict::enter) {
        return;
    }
    const FolderListing listing = list_folder(folder);
    const bool sized = sizes_matter(folder, info.st_dev);
    for (const ListedFile& file : listing.files) {
        if (left_out_name(file.name, NameKind::file, ignore_) ||
            !has_accepted_type(file.name, accepted_)) {
            continue;
        }
        ++counted_;
        if (!sized) {
            unsized_ = true;
            continue;
        }
        // A stat of each file taken, here on the count's own thread: the walk stats it too
        // when it copies it, and then finds its inode read already.
        if (struct stat taken{}; ::stat((folder + file.name).c_str(), &taken) == 0) {
            const auto size = static_cast<std::uintmax_t>(taken.st_size);
            bytes_.all += size;
            bytes_.other_disks += taken.st_dev == output_device_ ? 0 : size;
        }
    }
    for (const ListedFolder& sub : listing.folders) {
        if (left_out_name(sub.name, NameKind::folder, ignore_)) {
            continue;
        }
        std::string sub_real =
            sub.link || real.empty() ? real_path(folder + sub.name) : join_path(real, sub.name);
        if (sub_real.empty()) {
            sub_real = folder + sub.name;
        }
        count(folder + sub.name + "/", sub_real, rules);
    }
}

}  // namespace trackfold
