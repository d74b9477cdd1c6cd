#include "engine/fsio/same_content.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/fsio/file_descriptor.h"

namespace trackfold {

namespace {

// Reads from `at` until the buffer is full or the file ends.
ssize_t read_fully(int fd, char* buffer, std::size_t size, off_t at) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size - done, at + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool same_content(const std::string& a, const std::string& b) {
    const FileDescriptor file_a(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const FileDescriptor file_b(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    return file_a.get() >= 0 && file_b.get() >= 0 && same_content_of(file_a.get(), file_b.get());
}

bool same_content_of(int fd_a, int fd_b) {
    struct stat info_a {};
    struct stat info_b {};
    if (::fstat(fd_a, &info_a) != 0 || ::fstat(fd_b, &info_b) != 0 || !S_ISREG(info_a.st_mode) ||
        !S_ISREG(info_b.st_mode)) {
        return false;
    }
    if (same_file(info_a, info_b)) {
        return true;
    }
    if (info_a.st_size != info_b.st_size) {
        return false;
    }
    char buffer_a[1 << 16];
    char buffer_b[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got_a = read_fully(fd_a, buffer_a, sizeof buffer_a, at);
        const ssize_t got_b = read_fully(fd_b, buffer_b, sizeof buffer_b, at);
        if (got_a < 0 || got_a != got_b || !std::equal(buffer_a, buffer_a + got_a, buffer_b)) {
            return false;
        }
        if (got_a == 0) {
            return true;
        }
        at += got_a;
    }
}

}  // namespace trackfold
