#include "engine/walk/file_count.h"

#include <sys/stat.h>

#include <algorithm>

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
        const std::string input_real = real_path(input);
        WalkRules rules(input_real, real_path(output));
        count(input, input_real, rules);
        if (!stop_) {
            total_ = counted_;
            done_ = true;
        }
    });
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
    return done_ && sizes_ == CountedSizes::all ? std::optional<CountedBytes>(bytes_)
                                                : std::nullopt;
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
    for (const ListedFile& file : listing.files) {
        if (left_out_name(file.name, NameKind::file, ignore_) ||
            !has_accepted_type(file.name, accepted_)) {
            continue;
        }
        ++counted_;
        if (sizes_ == CountedSizes::none) {
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
