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

struct Tools {
    const char* programs;
    const char* packages;
    std::string format;  // the command that makes the file system, before the image
    std::string mount;   // the command that mounts it, before the device and mount point
};

Tools tools_for(DiskKind kind) {
    switch (kind) {
        case DiskKind::ExFat:
            return {"mkfs.exfat mount.exfat-fuse losetup", "exfatprogs, exfat-fuse", "mkfs.exfat",
                    "mount.exfat-fuse"};
        case DiskKind::Fat32:
            // UTF-8 names, as a desktop mounts a FAT stick.
            return {"mkfs.vfat losetup mount", "dosfstools, util-linux", "mkfs.vfat -F 32",
                    "mount -t vfat -o utf8"};
        case DiskKind::FuseFat:
            return {"mkfs.vfat fusefat", "dosfstools, fusefat", "mkfs.vfat -F 32",
                    "fusefat -o rw+"};
        default:
            return {"mkfs.ext4 losetup mount", "e2fsprogs, util-linux", "mkfs.ext4 -q -F -m 0",
                    "mount -t ext4"};
    }
}

}  // namespace

MountedImage::MountedImage(DiskKind kind, const fs::path& work, int megabytes)
    : mount_point_(work / "disk") {
    const bool exfat = kind == DiskKind::ExFat;
    const bool fuse = exfat || kind == DiskKind::FuseFat;
    const Tools tools = tools_for(kind);
    if (run(std::string("for t in ") + tools.programs + "; do command -v $t || exit 1; done")
            .status != 0) {
        why_not_ = std::string("needs ") + tools.programs + " (" + tools.packages + ")";
        return;
    }
    if (kind != DiskKind::FuseFat && ::geteuid() != 0) {
        why_not_ = "needs root to attach the image to a loop device";
        return;
    }
    const fs::path image = work / "disk.img";
    fs::create_directories(mount_point_);
    if (run("truncate -s " + std::to_string(megabytes) + "M " + quoted(image) + " && " +
            tools.format + " " + quoted(image) + " >/dev/null")
            .status != 0) {
        why_not_ = "cannot make the file system image";
        return;
    }
    std::string device = quoted(image);
    if (kind != DiskKind::FuseFat) {
        const Output loop = run("losetup -f --show " + quoted(image));
        if (loop.status != 0 || loop.text.empty()) {
            why_not_ = "no loop device (losetup -f failed)";
            return;
        }
        loop_device_ = loop.text;
        device = loop_device_;
    }
    const std::string mount = tools.mount + " " + device + " " + quoted(mount_point_);
    if (run(mount + " >/dev/null").status != 0) {
        why_not_ = std::string(fuse ? "cannot mount through FUSE (is /dev/fuse there?): "
                                    : "the kernel cannot mount it: ") +
                   mount;
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
