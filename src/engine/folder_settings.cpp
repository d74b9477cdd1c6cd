#include "engine/folder_settings.h"

#include <cstdlib>

namespace trackfold {

FolderSettings read_folder_settings(const IniReader& settings) {
    const std::string use_album_artist = settings.text("SYSTEM", "UseAlbumArtist", "0");
    return FolderSettings{
        {settings.text("SYSTEM", "AlbumFolder", ""), settings.text("SYSTEM", "ArtistFolder", ""),
         settings.text("SYSTEM", "UnknowFolder", "")},
        parse_file_types(settings.whole_text("SYSTEM", "FileTypes")),
        std::atoi(use_album_artist.c_str()) != 0,
        settings.text("SYSTEM", "TagCodePage", "")};
}

}  // namespace trackfold
