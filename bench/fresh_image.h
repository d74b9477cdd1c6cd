#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "workspace.h"

namespace trackfold::bench {

// An ext4 file system made for one benchmark in an image under /dev/shm and loop-mounted for
// the life of the object, which needs root: a disk in memory on which nothing has been removed
// yet, so that no run pays for the removals of an earlier benchmark. The image goes at the
// end, also when an error or a signal ends the benchmark early.
class FreshImage {
  public:
    // Throws, saying what is missing, when the image cannot be made or mounted. `spare` bytes
    // more stay free on it and take no room in /dev/shm: the image is sparse.
    FreshImage(std::uintmax_t bytes, std::uintmax_t spare, std::uintmax_t inodes);
    ~FreshImage();
    FreshImage(const FreshImage&) = delete;
    FreshImage& operator=(const FreshImage&) = delete;

    const std::filesystem::path& path() const { return mount_point_; }
    std::string text() const;

    // Whether SIGINT, SIGTERM or SIGHUP came while the image is mounted: the benchmark is to
    // stop, through its destructors.
    static bool stop_asked();

  private:
    Workspace folder_;
    std::filesystem::path image_;
    std::filesystem::path mount_point_;
    std::uintmax_t bytes_;
};

}  // namespace trackfold::bench
