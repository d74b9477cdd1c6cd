#pragma once

#include <filesystem>

namespace trackfold::bench {

enum class AtEnd { Remove, Keep };

// A new folder of the benchmark's own under `parent`; removed at the end unless it is to be
// kept. Throws when it cannot be made.
class Workspace {
  public:
    Workspace(const std::filesystem::path& parent, AtEnd at_end);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    AtEnd at_end_;
};

}  // namespace trackfold::bench
