#include "engine/disk_traits.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace trackfold {

namespace {

constexpr std::int64_t kSecond = 1000000000;

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
}

int make_file(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

}  // namespace

std::int64_t time_step(const timespec& asked, const timespec& stored) {
    if (stored.tv_nsec != 0) {
        // The decimals the disk dropped or rounded away end in zeros.
        std::int64_t step = 1;
        for (auto rest = stored.tv_nsec; rest % 10 == 0; rest /= 10) {
            step *= 10;
        }
        return step;
    }
    return stored.tv_sec % 2 == 0 && asked.tv_sec % 2 != 0 ? 2 * kSecond : kSecond;
}

bool same_time(const timespec& a, const timespec& b, std::int64_t step_ns) {
    return std::llabs(nanoseconds(a) - nanoseconds(b)) < step_ns;
}

ProbedTraits probe_disk(const std::string& folder, const std::string& temp_prefix) {
    ProbedTraits result;
    DiskTraits& traits = result.traits;
    if (const long name_max = ::pathconf(folder.c_str(), _PC_NAME_MAX); name_max > 0) {
        traits.name_max = static_cast<std::size_t>(name_max);
    }
    const std::string plain = folder + temp_prefix + "probe";

    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        const std::string by_fd = "/proc/self/fd/" + std::to_string(fd);
        if (::linkat(AT_FDCWD, by_fd.c_str(), AT_FDCWD, plain.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            traits.unnamed_files = true;
            ::unlink(plain.c_str());
        }
    }

    // The disks that refuse these characters answer with different errors (EINVAL, EPERM,
    // ENOENT): a plain name that works where this one failed is what tells.
    const std::string reserved = plain + ":*?\"<>|\\";
    std::string named = reserved;
    int named_fd = make_file(reserved);
    if (named_fd < 0) {
        named = plain;
        named_fd = make_file(plain);
        traits.refuses_reserved_names = named_fd >= 0;
    }
    if (named_fd >= 0) {
        // A Latin-1 "é": no UTF-8.
        const std::string latin1 = plain + "-\xE9";
        const int latin1_fd = make_file(latin1);
        traits.refuses_invalid_utf8 = latin1_fd < 0;
        if (latin1_fd >= 0) {
            ::close(latin1_fd);
            ::unlink(latin1.c_str());
        }
    }
    const int time_fd = fd >= 0 ? fd : named_fd;
    if (time_fd >= 0) {
        const timespec times[2] = {kProbeTime, kProbeTime};
        struct stat info {};
        if (::futimens(time_fd, times) == 0 && ::fstat(time_fd, &info) == 0) {
            traits.time_step_ns = time_step(kProbeTime, info.st_mtim);
        }
        result.probed = true;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    if (named_fd >= 0) {
        ::close(named_fd);
        ::unlink(named.c_str());
    }
    return result;
}

}  // namespace trackfold
