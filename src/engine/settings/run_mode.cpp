#include "engine/settings/run_mode.h"

#include <string>

#include "engine/settings/settings_keys.h"
#include "util/text.h"

namespace trackfold {

std::optional<RunMode> run_mode(const IniReader& settings) {
    const std::string mode =
        ascii_lower(settings.text(settings_key::kSection, settings_key::kMode, "copy"));
    if (mode == "copy") {
        return RunMode::copy;
    }
    if (mode == "move") {
        return RunMode::move;
    }
    return std::nullopt;
}

}  // namespace trackfold
