#pragma once

#include <string>
#include <system_error>

namespace trackfold {

// Copies the bytes of `from` into a new file `to` (which must not exist) and gives it the
// source's modification time. The source is opened read-only. On failure ec holds the
// system's reason and nothing is left at `to` that this call made.
void copy_file_keeping_time(const std::string& from, const std::string& to, std::error_code& ec);

}  // namespace trackfold
