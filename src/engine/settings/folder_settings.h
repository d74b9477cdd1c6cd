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

// The code page a TagCodePage value asks for: "auto" when it is empty or absent, else as named.
std::string code_page_setting(const std::string& value);

// The settings that decide what a file's tags mean for its folder, as the record keeps them:
// "code-page=CP932;album-artist=1", "code-page=auto(CP1252);album-artist=0" (auto, with the
// locale's code page as its prior). The flag comes last, so no code page makes two alike.
std::string tag_settings_text(const FolderSettings& settings);

// Why the sub-folder names cannot be used, or "": each must lead to a folder inside the output
// folder, so no absolute path and no "." or ".." part.
std::string sub_folder_problem(const SubFolderNames& names);

}  // namespace trackfold
