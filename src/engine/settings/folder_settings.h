#pragma once

#include <string>

#include "engine/naming/file_types.h"
#include "engine/naming/layout_template.h"
#include "engine/walk/ignored_names.h"
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
    IgnorePatterns ignore{};
    bool disc_folders = true;
    std::string layout_text{};  // as the file has it; "" for the design's layout
    LayoutTemplate layout{};    // the design's where layout_problem is not ""
    std::string layout_problem{};
    // Covers, cue sheets and booklets go where all the audio of their folder went.
    bool companions = true;
};

FolderSettings read_folder_settings(const IniReader& settings);

// The code page a TagCodePage value asks for: "auto" when it is empty or absent, else as named.
std::string code_page_setting(const std::string& value);

// The settings that decide what a file's tags mean for its folder, as the record keeps them:
// "layout=0:;code-page=CP932;album-artist=1;disc-folders=1", with auto "code-page=auto(CP1252)"
// (the locale's code page as its prior). The layout's length goes first and the flags last, so
// no layout or code page makes two alike.
std::string tag_settings_text(const FolderSettings& settings);

// Why the run cannot sort by these settings, or "": sub_folder_problem, or a bad layout.
std::string folder_settings_problem(const FolderSettings& settings);

// Why the sub-folder names cannot be used, or "": each must lead to a folder inside the output
// folder, so no absolute path and no "." or ".." part.
std::string sub_folder_problem(const SubFolderNames& names);

}  // namespace trackfold
