#include "engine/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace trackfold {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closing can report a failed delayed write (NFS, quotas): it must be checked.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

std::error_code last_error() {
    return {errno, std::generic_category()};
}

void copy_with_read_write(int in, int out, std::error_code& ec) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0) {
            return;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ec = last_error();
            return;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ec = last_error();
                return;
            }
            done += put;
        }
    }
}

// The kernel copies without passing the bytes through us, and shares blocks (reflinks) on
// file systems that can. Where it cannot be used at all it leaves ec clear and copies
// nothing; whatever it did not copy is left for the plain loop, which goes on from the
// offsets it reached.
void copy_in_kernel(int in, int out, off_t size, std::error_code& ec) {
    off_t copied = 0;
    while (copied < size) {
        const ssize_t n =
            ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - copied), 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (copied == 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL ||
                                errno == EOPNOTSUPP || errno == EPERM)) {
                return;
            }
            ec = last_error();
            return;
        }
        if (n == 0) {
            return;
        }
        copied += n;
    }
}

struct Source {
    explicit Source(const std::string& from) : fd(::open(from.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
            error = last_error();
        }
    }
    FileDescriptor fd;
    struct stat info {};
    std::error_code error;
};

std::error_code write_contents(const Source& source, int out) {
    std::error_code ec;
    copy_in_kernel(source.fd.get(), out, source.info.st_size, ec);
    if (!ec) {
        copy_with_read_write(source.fd.get(), out, ec);
    }
    return ec;
}

// A disk that keeps the bytes but refuses the times still holds a whole copy: that failure is
// told apart from one that loses the copy.
std::error_code keep_times(const Source& source, int fd) {
    const timespec times[2] = {source.info.st_atim, source.info.st_mtim};
    return ::futimens(fd, times) == 0 ? std::error_code() : last_error();
}

std::error_code keep_times(const Source& source, const std::string& path) {
    const timespec times[2] = {source.info.st_atim, source.info.st_mtim};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? std::error_code() : last_error();
}

// Like rename, but fails with EEXIST rather than replace what appeared at `to` meanwhile.
int rename_no_replace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
    // The disk does not know the flag (FUSE, older kernels): look, then rename.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Writes the copy under `temp` and gives it its final name `to` with `place`; on any failure
// the temporary is removed again.
template <typename Place>
CopyOutcome copy_through_temp(const std::string& from, const std::string& temp,
                              const std::string& to, Place place) {
    const Source source(from);
    if (source.error) {
        return {source.error, {}};
    }
    FileDescriptor out(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.info.st_mode & 0666));
    if (out.get() < 0) {
        return {last_error(), {}};
    }
    CopyOutcome outcome{write_contents(source, out.get()), {}};
    if (out.close() != 0 && !outcome.error) {
        outcome.error = last_error();
    }
    if (!outcome.error) {
        if (const int error = place(); error != 0) {
            outcome.error.assign(error, std::generic_category());
        }
    }
    if (outcome.error) {
        ::unlink(temp.c_str());
        return outcome;
    }
    // Only now: FUSE disks stamp a file with the time they flush its last write, after close,
    // or with the time it was renamed.
    outcome.time_error = keep_times(source, to);
    return outcome;
}

}  // namespace

CopyOutcome copy_to_new(const std::string& from, const std::string& folder, const std::string& name,
                        const std::string& temp, bool unnamed) {
    const std::string to = folder + name;
    if (!unnamed) {
        return copy_through_temp(from, folder + temp, to,
                                 [&] { return rename_no_replace(folder + temp, to); });
    }
    const Source source(from);
    if (source.error) {
        return {source.error, {}};
    }
    // No name exists until the copy is whole: a run killed halfway leaves nothing behind.
    FileDescriptor out(
        ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, source.info.st_mode & 0666));
    if (out.get() < 0) {
        return {last_error(), {}};
    }
    CopyOutcome outcome{write_contents(source, out.get()), {}};
    if (outcome.error) {
        return outcome;
    }
    outcome.time_error = keep_times(source, out.get());
    const std::string by_fd = "/proc/self/fd/" + std::to_string(out.get());
    if (::linkat(AT_FDCWD, by_fd.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        outcome.error = last_error();
        return outcome;
    }
    if (out.close() != 0) {
        outcome.error = last_error();
        ::unlink(to.c_str());
    }
    return outcome;
}

CopyOutcome copy_over(const std::string& from, const std::string& folder, const std::string& name,
                      const std::string& temp) {
    const std::string to = folder + name;
    return copy_through_temp(from, folder + temp, to, [&] {
        return ::rename((folder + temp).c_str(), to.c_str()) == 0 ? 0 : errno;
    });
}

}  // namespace trackfold
