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

}  // namespace

void copy_file_keeping_time(const std::string& from, const std::string& to, std::error_code& ec) {
    ec.clear();
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0) {
        ec = last_error();
        return;
    }
    FileDescriptor out(
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0666));
    if (out.get() < 0) {
        // Whatever is there is not ours: it stays.
        ec = last_error();
        return;
    }
    copy_in_kernel(in.get(), out.get(), info.st_size, ec);
    if (!ec) {
        copy_with_read_write(in.get(), out.get(), ec);
    }
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (!ec && ::futimens(out.get(), times) != 0) {
        ec = last_error();
    }
    if (out.close() != 0 && !ec) {
        ec = last_error();
    }
    if (ec) {
        ::unlink(to.c_str());
    }
}

}  // namespace trackfold
