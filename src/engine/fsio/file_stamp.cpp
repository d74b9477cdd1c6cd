#include "engine/fsio/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

namespace trackfold {

namespace {

std::int64_t nanoseconds(const statx_timestamp& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

timespec time_of(const statx_timestamp& t) {
    return {static_cast<time_t>(t.tv_sec), static_cast<long>(t.tv_nsec)};
}

struct stat stat_of(const struct statx& info) {
    struct stat out {};
    out.st_dev = makedev(info.stx_dev_major, info.stx_dev_minor);
    out.st_ino = info.stx_ino;
    out.st_mode = info.stx_mode;
    out.st_nlink = info.stx_nlink;
    out.st_uid = info.stx_uid;
    out.st_gid = info.stx_gid;
    out.st_rdev = makedev(info.stx_rdev_major, info.stx_rdev_minor);
    out.st_size = static_cast<off_t>(info.stx_size);
    out.st_blksize = static_cast<blksize_t>(info.stx_blksize);
    out.st_blocks = static_cast<blkcnt_t>(info.stx_blocks);
    out.st_atim = time_of(info.stx_atime);
    out.st_mtim = time_of(info.stx_mtime);
    out.st_ctim = time_of(info.stx_ctime);
    return out;
}

FileStamp stamp_from(const struct statx& info) {
    FileStamp stamp{static_cast<std::int64_t>(info.stx_size),
                    nanoseconds(info.stx_mtime),
                    nanoseconds(info.stx_ctime),
                    info.stx_ino,
                    0,
                    makedev(info.stx_dev_major, info.stx_dev_minor),
                    info.stx_mode};
    if ((info.stx_mask & STATX_BTIME) != 0) {
        stamp.birth_ns = nanoseconds(info.stx_btime);
    }
    return stamp;
}

StampResult stamp(int dir_fd, const char* path, int flags) {
    struct statx info {};
    if (::statx(dir_fd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return {std::nullopt, {errno, std::generic_category()}};
    }
    return {stamp_from(info), {}};
}

}  // namespace

StampResult stamp_of_fd(int fd) {
    return stamp(fd, "", AT_EMPTY_PATH);
}

OpenFileStamp stamp_of_open_file(int fd) {
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return {{}, {std::nullopt, {errno, std::generic_category()}}};
    }
    return {stat_of(info), {stamp_from(info), {}}};
}

StampResult stamp_at(int folder_fd, const std::string& name) {
    return stamp(folder_fd, name.c_str(), AT_SYMLINK_NOFOLLOW);
}

StampResult stamp_of_path(const std::string& path) {
    return stamp(AT_FDCWD, path.c_str(), 0);
}

StampKey object_key(const FileStamp& stamp) {
    return {static_cast<std::int64_t>(stamp.inode), stamp.birth_ns, 0};
}

StampKey recording_key(const FileStamp& stamp) {
    return {stamp.size, stamp.mtime_ns, stamp.birth_ns != 0 ? 0 : stamp.ctime_ns};
}

StampKey touch_key(const FileStamp& stamp) {
    return {stamp.size, stamp.mtime_ns, stamp.ctime_ns};
}

bool same_file_object(const FileStamp& now, const FileStamp& then) {
    return object_key(now) == object_key(then);
}

bool proven_same_file_object(const FileStamp& now, const FileStamp& then) {
    return same_file_object(now, then) && then.birth_ns != 0;
}

bool untouched_since(const FileStamp& now, const FileStamp& then) {
    return touch_key(now) == touch_key(then);
}

}  // namespace trackfold
