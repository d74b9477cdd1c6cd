#include "util/log_file.h"

#include <unistd.h>

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold {

bool WriteLogFile(const fs::path& path, std::size_t count,
                  const std::function<std::string(std::size_t)>& line) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec))) {
        return true;
    }
    // Written beside it and renamed over it: a full disk leaves the previous log whole.
    fs::path temp = path;
    temp += ".tmp-" + std::to_string(::getpid());
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < count && out; ++i) {
        const std::string text = line(i);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.write("\r\n", 2);
    }
    out.close();
    if (!out.fail()) {
        fs::rename(temp, path, ec);
    }
    if (out.fail() || ec) {
        fs::remove(temp, ec);
        return true;
    }
    return false;
}

}  // namespace trackfold
