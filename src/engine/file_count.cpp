#include "engine/file_count.h"

#include <algorithm>

#include "engine/file_types.h"
#include "engine/folder_listing.h"
#include "util/real_path.h"

namespace trackfold {

FileCount::FileCount(std::string input, std::vector<std::string> accepted, std::string output)
    : accepted_(std::move(accepted)) {
    thread_ = std::thread([this, input = std::move(input), output = std::move(output)] {
        output_real_ = real_path(output);
        std::vector<std::string> above;
        count(input, above);
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

// `above` holds the real paths of the folders the count is inside: a link back to one of them
// would be counted forever, and the walk does not follow it either.
void FileCount::count(const std::string& folder, std::vector<std::string>& above) {
    std::string real = real_path(folder);
    if (stop_ || real.empty() || real == output_real_ ||
        std::find(above.begin(), above.end(), real) != above.end()) {
        return;
    }
    std::error_code ec;
    const FolderListing listing = list_folder(folder, ec);
    for (const ListedFile& file : listing.files) {
        counted_ += has_accepted_type(file.name, accepted_) ? 1 : 0;
    }
    above.push_back(std::move(real));
    for (const ListedFolder& sub : listing.folders) {
        count(folder + sub.name + "/", above);
    }
    above.pop_back();
}

}  // namespace trackfold
