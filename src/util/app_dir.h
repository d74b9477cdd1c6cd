#pragma once

#include <string>

namespace trackfold {

// The folder of the running executable, ending in exactly one separator ("/" stays "/").
// A failed query yields "".
std::string AppDir();

// The executable's file name without folder and extension ("trackfold" for /opt/x/trackfold).
std::string executable_base_name();

}  // namespace trackfold
