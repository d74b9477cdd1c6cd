#include "util/log_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold {

std::string WriteLogFile(const fs::path& path, std::size_t count,
                         const std::function<std::string(std::size_t)>& line) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec))) {
        return std::strerror(EISDIR);
    }
    // Written beside it and renamed over it: a full disk leaves the previous log whole.
    fs::path temp = path;
    temp += ".tmp-" + std::to_string(::getpid());
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < count && out; ++i) {
        const std::string text = line(i);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.write("\r\n", 2);
    }
    out.close();
    std::string reason = out.fail() ? std::strerror(errno != 0 ? errno : EIO) : "";
    if (reason.empty()) {
        fs::rename(temp, path, ec);
        reason = ec ? ec.message() : "";
    }
    if (!reason.empty()) {
        fs::remove(temp, ec);
    }
    return reason;
}

}  // namespace trackfold
