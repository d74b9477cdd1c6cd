#pragma once

#include <optional>

#include "util/ini_file.h"

namespace trackfold {

enum class RunMode { copy, move };

// The Mode key: "copy" (or none) or "move", in any case; nothing for anything else, which
// must not be taken for either.
std::optional<RunMode> run_mode(const IniReader& settings);

}  // namespace trackfold
