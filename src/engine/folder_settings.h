#pragma once

#include <string>

#include "engine/file_types.h"
#include "util/ini_file.h"

namespace trackfold {

struct SubFolderNames {
    std::string album;
    std::string artist;
    std::string unknown;
};

// What the settings file says for one folder of the walk.
struct FolderSettings {
    SubFolderNames names;
    FileTypes types;
    bool use_album_artist = false;
    std::string code_page;
};

FolderSettings read_folder_settings(const IniReader& settings);

}  // namespace trackfold
