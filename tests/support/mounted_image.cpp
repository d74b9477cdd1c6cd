#include "support/mounted_image.h"

#include <stdio.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace fs = std::filesystem;

namespace trackfold::test {
namespace {

// Runs a shell command; its exit status, and what it printed on standard output.
struct Output {
    int status;
    std::string text;
};

Output run(const std::string& command) {
    Output output{-1, {}};
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"),
                                               &::pclose);
    if (!pipe) {
        return output;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        output.text += buffer;
    }
    output.status = ::pclose(pipe.release());
    while (!output.text.empty() && output.text.back() == '\n') {
        output.text.pop_back();
    }
    return output;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

}  // namespace

MountedImage::MountedImage(DiskKind kind, const fs::path& work, int megabytes)
    : mount_point_(work / "disk") {
    const bool ext4 = kind == DiskKind::Ext4;
    const bool exfat = kind == DiskKind::ExFat;
    const char* tools = ext4    ? "mkfs.ext4 losetup mount"
                        : exfat ? "mkfs.exfat mount.exfat-fuse losetup"
                                : "mkfs.vfat fusefat";
    if (run(std::string("for t in ") + tools + "; do command -v $t || exit 1; done").status != 0) {
        why_not_ = std::string("needs ") + tools +
                   (exfat ? " (exfatprogs, exfat-fuse)" : " (dosfstools, fusefat)");
        return;
    }
    if ((exfat || ext4) && ::geteuid() != 0) {
        why_not_ = "needs root to attach the image to a loop device";
        return;
    }
    const fs::path image = work / "disk.img";
    fs::create_directories(mount_point_);
    const std::string format = ext4    ? "mkfs.ext4 -q -F -m 0 " + quoted(image)
                               : exfat ? "mkfs.exfat " + quoted(image)
                                       : "mkfs.vfat -F 32 " + quoted(image);
    if (run("truncate -s " + std::to_string(megabytes) + "M " + quoted(image) + " && " + format +
            " >/dev/null")
            .status != 0) {
        why_not_ = "cannot make the file system image";
        return;
    }
    std::string device = quoted(image);
    if (exfat || ext4) {
        const Output loop = run("losetup -f --show " + quoted(image));
        if (loop.status != 0 || loop.text.empty()) {
            why_not_ = "no loop device (losetup -f failed)";
            return;
        }
        loop_device_ = loop.text;
        device = loop_device_;
    }
    const std::string mount = ext4    ? "mount -t ext4 " + device + " " + quoted(mount_point_)
                              : exfat ? "mount.exfat-fuse " + device + " " + quoted(mount_point_)
                                      : "fusefat -o rw+ " + device + " " + quoted(mount_point_);
    if (run(mount + " >/dev/null").status != 0) {
        why_not_ = "cannot mount through FUSE (is /dev/fuse there?): " + mount;
        return;
    }
    attached_ = true;
}

MountedImage::~MountedImage() {
    if (attached_) {
        run("umount " + quoted(mount_point_) + " || fusermount -u " + quoted(mount_point_));
    }
    if (!loop_device_.empty()) {
        run("losetup -d " + loop_device_);
    }
}

}  // namespace trackfold::test
