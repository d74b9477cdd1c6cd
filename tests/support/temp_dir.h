#pragma once

#include <filesystem>
#include <string>

namespace trackfold::test {

// A fresh folder under the system temp folder, removed (made writable first) when it goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path as a text ending in the separator, as the walk takes folders.
    std::string folder() const;

  private:
    std::filesystem::path path_;
};

void write_file(const std::filesystem::path& path, const std::string& bytes);
std::string read_file(const std::filesystem::path& path);

}  // namespace trackfold::test
