#include "util/log_file.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold {

bool WriteLogFile(const fs::path& path, const std::string& text) {
    std::error_code ec;
    const auto status = fs::symlink_status(path, ec);
    if (fs::exists(status) && !fs::is_directory(status)) {
        fs::remove(path, ec);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return out.fail();
}

}  // namespace trackfold
