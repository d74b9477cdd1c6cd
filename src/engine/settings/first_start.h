#pragma once

#include <filesystem>

namespace trackfold {

// A settings file that names none of the three sub-folders gets "Albums", "Artists" and
// "Unknown", and UseAlbumArtist=1 unless it names that key, so that a fresh install sorts as
// the README's table says. A key that is there,
// even empty, is the user's choice and nothing is written. A file that cannot be read is left
// alone, as the run will say why.
void write_first_start_defaults(const std::filesystem::path& settings_file);

}  // namespace trackfold
