#include "engine/fsio/disk_traits.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/fsio/path_inside.h"
#include "engine/naming/temp_names.h"
#include "util/real_path.h"

namespace trackfold {

namespace {

constexpr std::int64_t kSecond = 1000000000;

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
}

int make_file(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

// Whether a file of that name can be made; it is removed again.
bool takes_name(const std::string& path) {
    const int fd = make_file(path);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(path.c_str());
    return true;
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
    return same_time(nanoseconds(a), nanoseconds(b), step_ns);
}

bool same_time(std::int64_t a_ns, std::int64_t b_ns, std::int64_t step_ns) {
    return std::llabs(a_ns - b_ns) < step_ns;
}

namespace {

enum class DiskFamily { Posix, Fat, FuseFat, KernelExFat, FuseExFat, Ntfs, Unknown };

constexpr long kFuseMagic = 0x65735546;

DiskFamily family_of_magic(long magic) {
    switch (magic) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // XFS
        case 0x9123683E:  // Btrfs
        case 0x01021994:  // tmpfs
        case 0xF2F52010:  // F2FS
        case 0x2FC12FC1:  // ZFS
        case 0x794C7630:  // overlay
            return DiskFamily::Posix;
        case 0x4D44:
            return DiskFamily::Fat;
        case 0x2011BAB0:
            return DiskFamily::KernelExFat;
        case 0x5346544E:  // ntfs
        case 0x7366746E:  // ntfs3
            return DiskFamily::Ntfs;
        default:
            return DiskFamily::Unknown;
    }
}

struct Mount {
    std::string type;
    std::string source;
};

std::string unescaped_mount_path(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The mount that holds the folder: the longest mount point that starts its real path.
Mount mount_of(const std::string& real_folder) {
    std::ifstream mounts("/proc/self/mountinfo");
    Mount best;
    std::size_t best_length = 0;
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, word;
        fields >> id >> parent >> device >> root >> point;
        point = unescaped_mount_path(point);
        while (fields >> word && word != "-") {
        }
        Mount mount;
        fields >> mount.type >> mount.source;
        if (is_inside(real_folder, point) && point.size() >= best_length) {
            best = mount;
            best_length = point.size();
        }
    }
    return best;
}

// fuseblk names no file system: the boot sector of its device does, where it may be read.
DiskFamily family_of_device(const std::string& device) {
    char sector[512] = {};
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
    const bool read = fd >= 0 && ::pread(fd, sector, sizeof sector, 0) == sizeof sector;
    if (fd >= 0) {
        ::close(fd);
    }
    const std::string_view boot(sector, sizeof sector);
    if (!read) {
        return DiskFamily::Unknown;
    }
    if (boot.substr(3, 8) == "EXFAT   ") {
        return DiskFamily::FuseExFat;
    }
    if (boot.substr(3, 8) == "NTFS    ") {
        return DiskFamily::Ntfs;
    }
    if (boot.substr(82, 8) == "FAT32   " || boot.substr(54, 5) == "FAT16" ||
        boot.substr(54, 5) == "FAT12") {
        return DiskFamily::Fat;
    }
    return DiskFamily::Unknown;
}

DiskFamily family_of_fuse(const std::string& folder) {
    const std::string real = real_path(folder);
    const Mount mount = mount_of(real.empty() ? folder : real);
    if (mount.type == "fuse.fusefat" || mount.type == "fuse.vfat") {
        return DiskFamily::FuseFat;
    }
    if (mount.type == "fuse.exfat" || mount.type == "fuse.exfat-fuse") {
        return DiskFamily::FuseExFat;
    }
    if (mount.type == "fuse.ntfs-3g" || mount.type == "fuse.ntfs") {
        return DiskFamily::Ntfs;
    }
    return mount.type == "fuseblk" ? family_of_device(mount.source) : DiskFamily::Unknown;
}

}  // namespace

AppendLocking append_locking(long fs_magic) {
    // FUSE shares one type, whatever its driver; a network share's type is not in the table.
    return fs_magic == kFuseMagic || family_of_magic(fs_magic) == DiskFamily::Unknown
               ? AppendLocking::needed
               : AppendLocking::not_needed;
}

bool times_show_changes(const std::string& path) {
    struct statfs disk {};
    return ::statfs(path.c_str(), &disk) == 0 &&
           family_of_magic(static_cast<long>(disk.f_type)) == DiskFamily::Posix;
}

PredictedTraits predict_disk(const std::string& wanted) {
    // A folder the run would make lies on the disk of the nearest one that is there.
    const std::string folder = nearest_existing(wanted);
    PredictedTraits result;
    DiskTraits& traits = result.traits;
    if (const long name_max = ::pathconf(folder.c_str(), _PC_NAME_MAX); name_max > 0) {
        traits.name_max = static_cast<std::size_t>(name_max);
    }
    struct statfs disk {};
    if (::statfs(folder.c_str(), &disk) != 0) {
        return result;
    }
    const long magic = static_cast<long>(disk.f_type);
    const DiskFamily family = magic == kFuseMagic ? family_of_fuse(folder) : family_of_magic(magic);
    traits.times_show_changes = magic != kFuseMagic && family == DiskFamily::Posix;
    result.known = family != DiskFamily::Unknown;
    traits.refuses_reserved_names = family != DiskFamily::Posix && result.known;
    // They keep names in UTF-16 or as Unicode: bytes that are no UTF-8 cannot be stored.
    traits.refuses_invalid_utf8 = traits.refuses_reserved_names;
    traits.refuses_non_ascii = family == DiskFamily::FuseFat;
    switch (family) {
        case DiskFamily::Fat:
        case DiskFamily::FuseFat:
            traits.time_step_ns = 2 * kSecond;
            break;
        case DiskFamily::FuseExFat:
            traits.time_step_ns = kSecond;
            break;
        case DiskFamily::KernelExFat:
            traits.time_step_ns = kSecond / 100;
            break;
        case DiskFamily::Ntfs:
            traits.time_step_ns = 100;
            break;
        default:
            break;
    }
    return result;
}

ProbedTraits probe_disk(const std::string& folder, const std::string& temp_prefix) {
    ProbedTraits result;
    DiskTraits& traits = result.traits;
    if (const long name_max = ::pathconf(folder.c_str(), _PC_NAME_MAX); name_max > 0) {
        traits.name_max = static_cast<std::size_t>(name_max);
    }
    traits.times_show_changes = times_show_changes(folder);
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
    const std::string reserved = plain + std::string(probe_suffixes()[1]);
    std::string named = reserved;
    int named_fd = make_file(reserved);
    if (named_fd < 0) {
        named = plain;
        named_fd = make_file(plain);
        traits.refuses_reserved_names = named_fd >= 0;
    }
    if (named_fd >= 0) {
        // A Latin-1 "é", no UTF-8; and the same letter in UTF-8, which every disk takes but
        // one whose driver takes only ASCII.
        traits.refuses_invalid_utf8 = !takes_name(plain + std::string(probe_suffixes()[2]));
        traits.refuses_non_ascii = !takes_name(plain + std::string(probe_suffixes()[3]));
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
