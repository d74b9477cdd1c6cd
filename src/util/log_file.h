#pragma once

#include <filesystem>
#include <string>

namespace trackfold {

// Replaces the file with exactly these bytes (UTF-8, no byte-order mark).
// Returns true on failure, false on success.
bool WriteLogFile(const std::filesystem::path& path, const std::string& text);

}  // namespace trackfold
