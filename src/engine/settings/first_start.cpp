#include "engine/settings/first_start.h"

#include "engine/settings/settings_keys.h"
#include "util/ini_file.h"

namespace trackfold {

void write_first_start_defaults(const std::filesystem::path& settings_file) {
    using namespace settings_key;
    const struct {
        const char* key;
        const char* name;
    } defaults[] = {
        {kAlbumFolder, "Albums"}, {kArtistFolder, "Artists"}, {kUnknownFolder, "Unknown"}};
    const IniReader settings(settings_file);
    if (!settings.problem().empty()) {
        return;
    }
    for (const auto& d : defaults) {
        if (settings.has(kSection, d.key)) {
            return;
        }
    }
    for (const auto& d : defaults) {
        PutIniText(settings_file, kSection, d.key, d.name);
    }
    // A compilation's tracks name many artists and one album artist: a fresh install keeps them
    // together.
    if (!settings.has(kSection, kUseAlbumArtist)) {
        PutIniText(settings_file, kSection, kUseAlbumArtist, "1");
    }
}

}  // namespace trackfold
