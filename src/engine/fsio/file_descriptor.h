#pragma once

#include <dirent.h>
#include <unistd.h>

namespace trackfold {

// For a std::unique_ptr<DIR, DirCloser> of an open listing.
struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Owns an open file descriptor (or -1) and closes it when it goes.
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
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) {
                ::close(fd_);
            }
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    // Closing can report a failed delayed write (NFS, quotas): where a file was written, it
    // must be checked.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

}  // namespace trackfold
