#pragma once

#include <filesystem>
#include <string>

namespace trackfold::test {

enum class DiskKind { ExFat, Fat32, Ext4 };

// A small FAT32 or exFAT file system in an image file under `work`, mounted through FUSE for
// the life of the object: a real case-insensitive disk with coarse file times; or an ext4 one
// mounted by the kernel, small enough to fill. Mounting needs the tools (dosfstools and
// fusefat, exfatprogs and exfat-fuse, e2fsprogs) and, for a loop device, root; where it
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
