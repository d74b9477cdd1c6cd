#include "engine/walk/companion_rules.h"

#include <algorithm>
#include <set>

#include "util/case_fold.h"
#include "util/text.h"

namespace trackfold {

namespace {

constexpr std::string_view kCompanionTypes[] = {
    "jpg", "jpeg", "png", "gif", "bmp", "webp", "tif",  "tiff",  // pictures
    "cue", "log",  "pdf", "txt", "nfo", "m3u",  "m3u8",
};

constexpr std::string_view kCompanionFolders[] = {
    "scans", "scan", "artwork", "artworks", "covers", "cover", "booklet",
};

// The same folder whatever the case of its letters or a doubled separator.
std::string folder_key(std::string_view folder) {
    std::string key;
    for (const char c : folder) {
        if (c != '/' || key.empty() || key.back() != '/') {
            key += c;
        }
    }
    return fold_case(key);
}

}  // namespace

bool is_companion_file(std::string_view name) {
    // A Mac's AppleDouble file ("._cover.jpg") holds its metadata, not the picture.
    if (name.starts_with("._")) {
        return false;
    }
    const std::string type = lower_extension(name);
    return std::find(std::begin(kCompanionTypes), std::end(kCompanionTypes), type) !=
           std::end(kCompanionTypes);
}

bool is_companion_folder(std::string_view name, FolderAudio audio) {
    if (audio == FolderAudio::some) {
        return false;
    }
    const std::string lower = ascii_lower(name);
    return std::find(std::begin(kCompanionFolders), std::end(kCompanionFolders), lower) !=
           std::end(kCompanionFolders);
}

CompanionPlan plan_companions(const std::vector<std::string>& audio_targets) {
    std::set<std::string> folders;
    for (const std::string& target : audio_targets) {
        folders.insert(folder_key(target));
    }
    CompanionPlan plan;
    plan.albums = folders.size();
    if (folders.size() == 1) {
        plan.verdict = CompanionPlan::Verdict::travel;
        plan.folder = audio_targets.front();
    } else if (folders.size() > 1) {
        plan.verdict = CompanionPlan::Verdict::stay;
    }
    return plan;
}

}  // namespace trackfold
