#include "support/temp_dir.h"

#include <stdlib.h>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace trackfold::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "trackfold-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make read-only folders; give the owner back its rights so the tree can go.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::folder() const {
    return path_.string() + "/";
}

void write_file(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// In blocks: a character at a time, the comparisons of megabyte files took most of the
// full-disk tests' time under the sanitizers.
std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes;
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
    }
    return bytes;
}

}  // namespace trackfold::test
