#include "util/log_file.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold {

bool WriteLogFile(const fs::path& path, std::size_t count,
                  const std::function<std::string(std::size_t)>& line) {
    std::error_code ec;
    const auto status = fs::symlink_status(path, ec);
    if (fs::exists(status) && !fs::is_directory(status)) {
        fs::remove(path, ec);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < count && out; ++i) {
        const std::string text = line(i);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.write("\r\n", 2);
    }
    out.close();
    return out.fail();
}

}  // namespace trackfold
