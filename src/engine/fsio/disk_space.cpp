#include "engine/fsio/disk_space.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>

#include "engine/fsio/path_inside.h"

namespace trackfold {

bool is_disk_full(const std::error_code& error) {
    // By its condition, so that the system's category says the same as the generic one.
    const std::error_condition condition = error.default_error_condition();
    return condition.category() == std::generic_category() &&
           (condition.value() == ENOSPC || condition.value() == EDQUOT);
}

std::optional<DiskSpace> disk_space(const std::string& folder) {
    const std::string there = nearest_existing(folder);
    struct statvfs room {};
    struct stat info {};
    if (::statvfs(there.c_str(), &room) != 0 || ::stat(there.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return DiskSpace{static_cast<std::uintmax_t>(room.f_bavail) * room.f_frsize,
                     static_cast<std::uint64_t>(info.st_dev)};
}

}  // namespace trackfold
