#pragma once

#include <filesystem>
#include <string>

namespace trackfold {

struct SettingsPlaces {
    std::filesystem::path settings_file;
    std::filesystem::path log_file;
};

// Whether the current user may create and replace files in the folder.
bool folder_writable(const std::filesystem::path& folder);

// Where this run keeps its settings and its log, decided once at start-up. A writable program
// folder keeps both beside the executable (app_dir + base_name + ".ini" / ".txt"); a read-only
// one, as after a system-wide install, sends them to $XDG_CONFIG_HOME/trackfold/trackfold.ini
// and $XDG_STATE_HOME/trackfold/trackfold.txt (default ~/.config and ~/.local/state), whose
// folders are created here. Never throws; a folder that cannot be created is left to the
// writers' silent failure.
SettingsPlaces settings_places(const std::string& app_dir, const std::string& base_name,
                               bool (*writable)(const std::filesystem::path&) = folder_writable);

}  // namespace trackfold
