#include "engine/fsio/output_lock.h"

#include <fcntl.h>

#include <cerrno>
#include <charconv>
#include <optional>

namespace trackfold {

namespace {

// Far past any record's end, so that a disk whose byte-range locks are mandatory (SMB) never
// keeps a reader out of the lines.
constexpr off_t kOutputByte = off_t{1} << 62;
constexpr off_t kRunBytes = kOutputByte + (off_t{1} << 50);

std::optional<off_t> run_byte(const std::string& run) {
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(run.data(), run.data() + run.size(), id, 16);
    if (error != std::errc() || end != run.data() + run.size() || run.size() != 12) {
        return std::nullopt;
    }
    return kRunBytes + static_cast<off_t>(id);
}

struct flock one_byte(short type, off_t at) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = at;
    lock.l_len = 1;
    return lock;
}

LockResult take(int fd, short type, off_t at) {
    struct flock lock = one_byte(type, at);
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
        return LockResult::held;
    }
    return errno == EAGAIN || errno == EACCES ? LockResult::busy : LockResult::unsupported;
}

}  // namespace

LockResult share_output_lock(int record_fd) {
    return take(record_fd, F_RDLCK, kOutputByte);
}

LockResult own_output_lock(int record_fd) {
    return take(record_fd, F_WRLCK, kOutputByte);
}

LockResult hold_run_lock(int record_fd, const std::string& run) {
    const std::optional<off_t> at = run_byte(run);
    return at ? take(record_fd, F_WRLCK, *at) : LockResult::unsupported;
}

bool run_lock_free(int record_fd, const std::string& run) {
    const std::optional<off_t> at = run_byte(run);
    if (!at || record_fd < 0) {
        return false;
    }
    struct flock lock = one_byte(F_WRLCK, *at);
    return ::fcntl(record_fd, F_OFD_GETLK, &lock) == 0 && lock.l_type == F_UNLCK;
}

}  // namespace trackfold
