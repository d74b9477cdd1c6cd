#include "engine/walk/folder_listing.h"

#include <algorithm>
#include <filesystem>

#include "engine/record/record_line.h"

namespace fs = std::filesystem;

namespace trackfold {

FolderListing list_folder(const std::string& folder) {
    FolderListing listing;
    std::error_code& ec = listing.error;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name == kRecordFileName) {
            // The record of an output folder that lies in the input is never a source.
            continue;
        }
        // The entry's own type, as the listing gave it, spares a stat per file; a link is
        // still followed.
        std::error_code type_ec;
        const bool link = it->is_symlink(type_ec);
        if (it->is_directory(type_ec)) {
            listing.folders.push_back({std::move(name), link});
        } else {
            // A dangling link counts as a regular file, so that its failure has its reason.
            const bool regular = it->is_regular_file(type_ec) || (link && !it->exists(type_ec));
            listing.files.push_back({std::move(name), regular, link});
        }
    }
    std::sort(listing.files.begin(), listing.files.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const ListedFolder& a, const ListedFolder& b) { return a.name < b.name; });
    return listing;
}

}  // namespace trackfold
