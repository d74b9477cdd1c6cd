#pragma once

#include <filesystem>
#include <string>

namespace trackfold::test {

// exFAT through FUSE; FAT32 by the kernel's vfat driver, or through FUSE's fusefat, which takes
// no name beyond ASCII; ext4 by the kernel.
enum class DiskKind { ExFat, Fat32, FuseFat, Ext4 };

// A small file system in an image file under `work`, mounted for the life of the object: a
// real case-insensitive disk with coarse file times, or an ext4 one small enough to fill.
// Mounting needs the tools (dosfstools, with fusefat for FuseFat; exfatprogs and exfat-fuse;
// e2fsprogs), the kernel's driver where it mounts one, and, for a loop device, root; where it
// fails, why_not() says why.
class MountedImage {
  public:
    MountedImage(DiskKind kind, const std::filesystem::path& work, int megabytes = 64);
    ~MountedImage();
    MountedImage(const MountedImage&) = delete;
    MountedImage& operator=(const MountedImage&) = delete;

    bool mounted() const { return why_not_.empty(); }
    const std::string& why_not() const { return why_not_; }
    const std::filesystem::path& path() const { return mount_point_; }

  private:
    std::filesystem::path mount_point_;
    std::string loop_device_;
    std::string why_not_;
    bool attached_ = false;
};

}  // namespace trackfold::test
