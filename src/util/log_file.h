#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

namespace trackfold {

// Replaces the file with `count` lines (UTF-8, no byte-order mark), each ended by CR LF, fetched
// one at a time: a log of a million lines is never held twice in memory.
// Returns why it could not be written, with the system's reason, or "" when it was.
std::string WriteLogFile(const std::filesystem::path& path, std::size_t count,
                         const std::function<std::string(std::size_t)>& line);

}  // namespace trackfold
