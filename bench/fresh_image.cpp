#include "fresh_image.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "child_process.h"
#include "system_calls.h"

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

constexpr const char* kShm = "/dev/shm";
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t stop_signal = 0;

void note_stop(int signal) {
    stop_signal = signal;
}

std::string gibibytes(std::uintmax_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1 << 30));
    return text;
}

fs::path shm_with_room(std::uintmax_t bytes) {
    if (!on_path("mkfs.ext4") || !on_path("mount")) {
        throw std::runtime_error("--fresh-image needs mkfs.ext4 (e2fsprogs) and mount");
    }
    std::error_code error;
    const std::uintmax_t free = fs::space(kShm, error).available;
    if (error || free < bytes) {
        throw std::runtime_error("--fresh-image needs an image of about " + gibibytes(bytes) +
                                 " in " + kShm + ", which has " +
                                 (error ? error.message() : gibibytes(free) + " free"));
    }
    return kShm;
}

// Runs while an error may be on its way out, so it never throws; a lazy unmount still lets
// the image go when something holds the disk open.
void unmount(const fs::path& mount_point) noexcept {
    for (const char* flag : {"", "-l"}) {
        try {
            std::vector<std::string> command{"umount", mount_point.string()};
            if (*flag != '\0') {
                command.insert(command.begin() + 1, flag);
            }
            run_child(command);
            return;
        } catch (const std::exception&) {
        }
    }
}

}  // namespace

FreshImage::FreshImage(std::uintmax_t bytes, std::uintmax_t spare, std::uintmax_t inodes)
    : folder_(shm_with_room(bytes), AtEnd::Remove),
      image_(folder_.path() / "disk.img"),
      mount_point_(folder_.path() / "disk"),
      bytes_(bytes + spare) {
    std::ofstream(image_, std::ios::binary).close();
    fs::resize_file(image_, bytes_);
    fs::create_directory(mount_point_);
    // Inode tables and journal written now: the kernel would otherwise zero them in the
    // background while the runs are timed.
    run_child({"mkfs.ext4", "-q", "-F", "-m", "0", "-N", std::to_string(inodes), "-E",
               "lazy_itable_init=0,lazy_journal_init=0", image_.string()});
    run_child({"mount", "-o", "loop", image_.string(), mount_point_.string()});
    for (int signal : kStopSignals) {
        std::signal(signal, note_stop);
    }
}

FreshImage::~FreshImage() {
    for (int signal : kStopSignals) {
        std::signal(signal, SIG_DFL);
    }
    unmount(mount_point_);
}

std::string FreshImage::text() const {
    return "a fresh ext4 image of " + gibibytes(bytes_) + " in " + kShm + ", loop-mounted";
}

bool FreshImage::stop_asked() {
    return stop_signal != 0;
}

}  // namespace trackfold::bench
