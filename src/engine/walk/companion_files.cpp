#include "engine/walk/companion_files.h"

#include <algorithm>

#include "engine/naming/file_types.h"
#include "engine/walk/companion_rules.h"

namespace trackfold {

namespace {

// Booklet scans kept in "Scans/Disc 1/Inlay": deeper than that is not an album's artwork.
constexpr int kMostLevels = 3;

struct Subtree {
    std::vector<CompanionFile> files;
    bool has_audio = false;
    bool whole = true;  // every folder in it could be listed
};

void gather(const std::string& folder, const std::string& below, int level,
            const std::vector<std::string>& audio_types, Subtree& tree) {
    const FolderListing listing = list_folder(folder + below);
    tree.whole = tree.whole && !listing.error;
    for (const ListedFile& file : listing.files) {
        tree.has_audio = tree.has_audio || has_accepted_type(file.name, audio_types);
        if (file.regular && is_companion_file(file.name)) {
            tree.files.push_back({below, file});
        }
    }
    for (const ListedFolder& sub : listing.folders) {
        if (!sub.link && level < kMostLevels) {
            gather(folder, below + sub.name + "/", level + 1, audio_types, tree);
        }
    }
}

}  // namespace

std::vector<CompanionFile> companion_files(const std::string& folder, const FolderListing& listing,
                                           const std::vector<std::string>& audio_types) {
    std::vector<CompanionFile> files;
    for (const ListedFile& file : listing.files) {
        // A FIFO or a device is never opened; audio is the walk's own.
        if (file.regular && is_companion_file(file.name) &&
            !has_accepted_type(file.name, audio_types)) {
            files.push_back({"", file});
        }
    }
    for (const ListedFolder& sub : listing.folders) {
        if (sub.link || !is_companion_folder(sub.name, FolderAudio::none)) {
            continue;
        }
        Subtree tree;
        gather(folder, sub.name + "/", 1, audio_types, tree);
        // Audio below makes it an album of its own; a listing that broke off is not taken in
        // part.
        if (is_companion_folder(sub.name, tree.has_audio ? FolderAudio::some : FolderAudio::none) &&
            tree.whole) {
            files.insert(files.end(), tree.files.begin(), tree.files.end());
        }
    }
    return files;
}

}  // namespace trackfold
