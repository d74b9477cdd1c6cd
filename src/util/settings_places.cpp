#include "util/settings_places.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold {
namespace {

constexpr const char* kAppName = "trackfold";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path home_folder() {
    const std::string home = environment("HOME");
    if (!home.empty()) {
        return home;
    }
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// The base directory specification ignores a relative value as invalid.
fs::path xdg_folder(const char* variable, const fs::path& default_under_home) {
    const fs::path value = environment(variable);
    return value.is_absolute() ? value : home_folder() / default_under_home;
}

fs::path made_folder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

}  // namespace

bool folder_writable(const fs::path& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

SettingsPlaces settings_places(const std::string& app_dir, const std::string& base_name,
                               bool (*writable)(const fs::path&)) {
    if (writable(app_dir)) {
        const std::string base = app_dir + base_name;
        return {base + ".ini", base + ".txt"};
    }
    const std::string name = kAppName;
    const fs::path config = made_folder(xdg_folder("XDG_CONFIG_HOME", ".config") / name);
    const fs::path state = made_folder(xdg_folder("XDG_STATE_HOME", ".local/state") / name);
    return {config / (name + ".ini"), state / (name + ".txt")};
}

}  // namespace trackfold
