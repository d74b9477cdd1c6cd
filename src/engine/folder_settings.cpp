#include "engine/folder_settings.h"
#include "engine/settings_keys.h"

#include <cstdlib>

namespace trackfold {

FolderSettings read_folder_settings(const IniReader& settings) {
    using namespace settings_key;
    const std::string use_album_artist = settings.text(kSection, kUseAlbumArtist, "0");
    return FolderSettings{
        {settings.text(kSection, kAlbumFolder, ""), settings.text(kSection, kArtistFolder, ""),
         settings.text(kSection, kUnknownFolder, "")},
        parse_file_types(settings.whole_text(kSection, kFileTypes)),
        std::atoi(use_album_artist.c_str()) != 0,
        settings.text(kSection, kTagCodePage, "")};
}

}  // namespace trackfold
