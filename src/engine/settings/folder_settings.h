#pragma once

#include <string>

#include "engine/naming/file_types.h"
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

// Why the sub-folder names cannot be used, or "": each must lead to a folder inside the output
// folder, so no absolute path and no "." or ".." part.
std::string sub_folder_problem(const SubFolderNames& names);

}  // namespace trackfold
