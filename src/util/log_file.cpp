#include "util/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace trackfold {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

int open_unnamed(const fs::path& path) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

bool disk_has_no_unnamed_files(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

}  // namespace

LogFileWriter::LogFileWriter(fs::path path) : path_(std::move(path)) {
    temp_ = path_;
    temp_ += ".tmp-" + std::to_string(::getpid());
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path_, ec))) {
        error_ = EISDIR;
        return;
    }
    fd_ = open_unnamed(path_);
    if (fd_ < 0 && disk_has_no_unnamed_files(errno)) {
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        temp_named_ = fd_ >= 0;
    }
    if (fd_ < 0) {
        error_ = errno;
    }
    buffer_.reserve(kBufferBytes);
}

LogFileWriter::~LogFileWriter() {
    discard();
}

void LogFileWriter::add(std::string_view line) {
    if (error_ != 0) {
        return;
    }
    buffer_.append(line);
    buffer_.append("\r\n");
    if (buffer_.size() >= kBufferBytes) {
        flush();
    }
}

void LogFileWriter::flush() {
    std::size_t done = 0;
    while (error_ == 0 && done < buffer_.size()) {
        const ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
        } else if (wrote == 0 || errno != EINTR) {
            error_ = wrote == 0 ? EIO : errno;
        }
    }
    buffer_.clear();
}

std::string LogFileWriter::save() {
    if (error_ == 0) {
        flush();
    }
    if (error_ == 0 && !temp_named_) {
        // An unnamed file gets a name beside the log first: a link cannot replace a file.
        ::unlink(temp_.c_str());
        const std::string by_fd = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(AT_FDCWD, by_fd.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_named_ = true;
        } else {
            error_ = errno;
        }
    }
    if (error_ == 0 && ::close(std::exchange(fd_, -1)) != 0) {
        error_ = errno;
    }
    if (error_ == 0 && ::rename(temp_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
    }
    const std::string reason = error_ == 0 ? "" : std::strerror(error_);
    if (error_ == 0) {
        temp_named_ = false;
    }
    discard();
    return reason;
}

void LogFileWriter::discard() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    if (temp_named_) {
        ::unlink(temp_.c_str());
        temp_named_ = false;
    }
}

std::string WriteLogFile(const fs::path& path, std::size_t count,
                         const std::function<std::string(std::size_t)>& line) {
    LogFileWriter log(path);
    for (std::size_t i = 0; i < count; ++i) {
        log.add(line(i));
    }
    return log.save();
}

}  // namespace trackfold
