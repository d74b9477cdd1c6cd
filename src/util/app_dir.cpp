#include "util/app_dir.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold {
namespace {

fs::path executable_path() {
    std::error_code ec;
    fs::path path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : path;
}

}  // namespace

std::string AppDir() {
    std::string dir = executable_path().parent_path().string();
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

std::string executable_base_name() {
    return executable_path().stem().string();
}

}  // namespace trackfold
