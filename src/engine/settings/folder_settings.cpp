#include "engine/settings/folder_settings.h"
#include "engine/settings/settings_keys.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace trackfold {

FolderSettings read_folder_settings(const IniReader& settings) {
    using namespace settings_key;
    const std::string use_album_artist = settings.text(kSection, kUseAlbumArtist, "0");
    const std::string companions = settings.text(kSection, kCompanions, "1");
    return FolderSettings{
        {settings.text(kSection, kAlbumFolder, ""), settings.text(kSection, kArtistFolder, ""),
         settings.text(kSection, kUnknownFolder, "")},
        parse_file_types(settings.whole_text(kSection, kFileTypes)),
        std::atoi(use_album_artist.c_str()) != 0,
        settings.text(kSection, kTagCodePage, ""),
        std::atoi(companions.c_str()) != 0};
}

std::string tag_settings_text(const FolderSettings& settings) {
    return "code-page=" + settings.code_page +
           ";album-artist=" + (settings.use_album_artist ? "1" : "0");
}

namespace {

bool leads_outside(std::string_view name) {
    if (name.starts_with('/')) {
        return true;
    }
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, slash - start);
        if (part == "." || part == "..") {
            return true;
        }
        start = slash + 1;
    }
    return false;
}

}  // namespace

std::string sub_folder_problem(const SubFolderNames& names) {
    using namespace settings_key;
    for (const auto& [key, name] :
         {std::pair{kAlbumFolder, &names.album}, std::pair{kArtistFolder, &names.artist},
          std::pair{kUnknownFolder, &names.unknown}}) {
        if (leads_outside(*name)) {
            return std::string(key) + "=" + *name +
                   " does not name a folder inside the output folder (no absolute path, no . or "
                   ".. part)";
        }
    }
    return {};
}

}  // namespace trackfold
