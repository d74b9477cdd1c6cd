#include "read_only_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace trackfold {
namespace {

thread_local std::uint64_t bytes_read = 0;

}  // namespace

bool ReadOnlyStream::open(const char* path) {
    close();
    // Non-blocking, so that a FIFO named like an MP3 cannot hang the open; regular files
    // ignore the flag.
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        close();
        return false;
    }
    path_ = path;
    size_ = static_cast<long>(info.st_size);
    start_windows();
    return true;
}

bool ReadOnlyStream::borrow(int fd, long size) {
    close();
    if (fd < 0 || size <= 0) {
        return false;
    }
    fd_ = fd;
    owned_ = false;
    size_ = size;
    start_windows();
    return true;
}

void ReadOnlyStream::start_windows() {
    head_reach_ = size_;
    tail_start_ = 0;
    if (size_ > kReadWhole) {
        head_ = {buffer_, 0, kHead, false};
        tail_ = {buffer_ + kHead, size_ - kTail, kTail, false};
        return;
    }
    if (whole_size_ < size_) {
        whole_ = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size_));
        whole_size_ = size_;
    }
    head_ = {whole_.get(), 0, size_, false};
    tail_ = {buffer_ + kHead, 0, 0, false};
}

void ReadOnlyStream::close() {
    if (fd_ >= 0 && owned_) {
        ::close(fd_);
    }
    fd_ = -1;
    owned_ = true;
    size_ = 0;
    position_ = 0;
    path_.clear();
}

ReadOnlyStream::~ReadOnlyStream() {
    close();
}

void ReadOnlyStream::limit_reach(long head, long tail) {
    head_reach_ = std::max(0L, head);
    tail_start_ = std::max(0L, size_ - std::max(0L, tail));
}

std::uint64_t ReadOnlyStream::bytes_read_on_this_thread() {
    return bytes_read;
}

long ReadOnlyStream::reachable(long length) const {
    long end = 0;
    if (position_ < head_reach_) {
        end = head_reach_ >= tail_start_ ? size_ : head_reach_;
    } else if (position_ >= tail_start_) {
        end = size_;
    }
    return std::max(0L, std::min(length, end - position_));
}

TagLib::FileName ReadOnlyStream::name() const {
    return path_.c_str();
}

bool ReadOnlyStream::read_at(long offset, char* to, long length, long& got) const {
    got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd_, to + got, static_cast<size_t>(length - got), offset + got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        got += n;
        bytes_read += static_cast<std::uint64_t>(n);
    }
    return true;
}

const char* ReadOnlyStream::window_bytes(Window& window, long offset, long length) {
    if (offset < window.start || offset + length > window.start + window.size) {
        return nullptr;
    }
    if (!window.loaded) {
        long got = 0;
        if (!read_at(window.start, window.bytes, window.size, got) || got != window.size) {
            return nullptr;
        }
        window.loaded = true;
    }
    return window.bytes + (offset - window.start);
}

TagLib::ByteVector ReadOnlyStream::readBlock(unsigned long length) {
    const long wanted = reachable(
        static_cast<long>(std::min<unsigned long>(length, static_cast<unsigned long>(size_))));
    if (wanted == 0) {
        return {};
    }
    const char* cached = window_bytes(head_, position_, wanted);
    if (cached == nullptr) {
        cached = window_bytes(tail_, position_, wanted);
    }
    if (cached != nullptr) {
        position_ += wanted;
        return TagLib::ByteVector(cached, static_cast<unsigned int>(wanted));
    }
    TagLib::ByteVector block(static_cast<unsigned int>(wanted), '\0');
    long got = 0;
    read_at(position_, block.data(), wanted, got);
    block.resize(static_cast<unsigned int>(got));
    position_ += got;
    return block;
}

void ReadOnlyStream::seek(long offset, Position from) {
    const long base = from == Beginning ? 0 : from == Current ? position_ : size_;
    position_ = std::max(0L, base + offset);
}

}  // namespace trackfold
