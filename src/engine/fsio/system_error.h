#pragma once

#include <cerrno>
#include <system_error>

namespace trackfold {

// The reason the system call just made gave, as the engine reports errors.
inline std::error_code last_error() {
    return {errno, std::generic_category()};
}

}  // namespace trackfold
