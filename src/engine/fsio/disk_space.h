#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace trackfold {

// Whether a failure to write into the output means its disk is full, for the user or by their
// quota: then every further copy would fail the same way, and the run stops at once rather
// than list each of them.
bool is_disk_full(const std::error_code& error);

// The room on the disk of a folder, or of the nearest folder above it that is there.
struct DiskSpace {
    std::uintmax_t free_bytes = 0;  // what this user may still write
    std::uint64_t device = 0;
};
std::optional<DiskSpace> disk_space(const std::string& folder);

}  // namespace trackfold
