#include "engine/run/run_mode.h"

#include <string>

#include "engine/run/settings_keys.h"

namespace trackfold {

std::optional<RunMode> run_mode(const IniReader& settings) {
    std::string mode = settings.text(settings_key::kSection, settings_key::kMode, "copy");
    for (char& c : mode) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (mode == "copy") {
        return RunMode::copy;
    }
    if (mode == "move") {
        return RunMode::move;
    }
    return std::nullopt;
}

}  // namespace trackfold
