#include "machine_info.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

std::string first_line(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The value of the first "key : value" line, as /proc/cpuinfo writes them.
std::string proc_value(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || line.compare(0, key.size(), key) != 0 ||
            line.find_first_not_of(" \t", key.size()) != colon) {
            continue;
        }
        const std::size_t value = line.find_first_not_of(' ', colon + 1);
        return value == std::string::npos ? "" : line.substr(value);
    }
    return "";
}

std::string cpu_model() {
    // x86 names the model; most ARM kernels give only the hardware, if that.
    for (const char* key : {"model name", "Hardware", "cpu model", "Processor"}) {
        const std::string model = proc_value("/proc/cpuinfo", key);
        if (!model.empty()) {
            return model;
        }
    }
    return "unknown processor";
}

std::string gibibytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", bytes / (1024.0 * 1024 * 1024));
    return text;
}

struct MountEntry {
    std::string device_number;  // "major:minor", as stat gives it
    std::string mount_point;
    std::string type;
    std::string source;
};

// mountinfo writes a space, a tab, a line break and a backslash in a field as \ and 3 octal
// digits.
std::string unescaped(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const std::string digits = field.substr(i + 1, 3);
        if (field[i] == '\\' && digits.size() == 3 &&
            digits.find_first_not_of("01234567") == std::string::npos) {
            text += static_cast<char>(std::stoi(digits, nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::vector<MountEntry> mounts() {
    std::vector<MountEntry> entries;
    std::ifstream in("/proc/self/mountinfo");
    for (std::string line; std::getline(in, line);) {
        // id parent major:minor root mount-point options [optional fields] - type source ...
        std::istringstream fields(line);
        std::string id, parent, root, options, field;
        MountEntry entry;
        fields >> id >> parent >> entry.device_number >> root >> entry.mount_point >> options;
        while (fields >> field && field != "-") {
        }
        fields >> entry.type >> entry.source;
        entry.mount_point = unescaped(entry.mount_point);
        entry.source = unescaped(entry.source);
        entries.push_back(entry);
    }
    return entries;
}

bool holds(const std::string& mount_point, const std::string& path) {
    return path.compare(0, mount_point.size(), mount_point) == 0 &&
           (mount_point == "/" || path.size() == mount_point.size() ||
            path[mount_point.size()] == '/');
}

// Of the mounts of the folder's device (a device mounted twice, or a bind mount, shows more
// than once), the innermost one that holds the folder.
std::optional<MountEntry> mount_of(const fs::path& folder, dev_t device) {
    const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::error_code error;
    const std::string path = fs::canonical(folder, error).string();
    std::optional<MountEntry> found;
    std::size_t best = 0;
    for (const MountEntry& entry : mounts()) {
        const std::size_t score = holds(entry.mount_point, path) ? entry.mount_point.size() + 1 : 0;
        if (entry.device_number == number && (!found || score >= best)) {
            found = entry;
            best = score;
        }
    }
    return found;
}

std::string type_of(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return "";
    }
    const std::optional<MountEntry> entry = mount_of(path, status.st_dev);
    return entry ? entry->type : "";
}

// What /sys says of the block device: a partition's disk decides; a loop device is a file.
std::string rotation_text(dev_t device) {
    std::error_code error;
    fs::path block = fs::canonical(
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device)),
        error);
    if (error) {
        return "no block device";
    }
    if (fs::exists(block / "partition", error)) {
        block = block.parent_path();
    }
    const std::string rotational = first_line(block / "queue" / "rotational");
    const std::string text =
        rotational.empty() ? "rotational not known" : "rotational " + rotational;
    const std::string backing = first_line(block / "loop" / "backing_file");
    if (backing.empty()) {
        return text;
    }
    const std::string backing_type = type_of(backing);
    return text + " (file-backed loop: " + backing +
           (backing_type.empty() ? "" : " on " + backing_type) + ")";
}

}  // namespace

std::string machine_text() {
    utsname names{};
    ::uname(&names);
    const double memory = static_cast<double>(::sysconf(_SC_PHYS_PAGES)) *
                          static_cast<double>(::sysconf(_SC_PAGESIZE));
    return cpu_model() + ", " + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) +
           " cores online, " + gibibytes(memory) + " memory, " + names.sysname + " " +
           names.release + " " + names.machine;
}

std::string disk_text(const fs::path& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return "not known (cannot stat " + folder.string() + ")";
    }
    const std::optional<MountEntry> entry = mount_of(folder, status.st_dev);
    std::string text;
    if (entry) {
        text = entry->type + " on " + entry->source + " mounted at " + entry->mount_point;
    } else {
        struct statfs file_system {};
        ::statfs(folder.c_str(), &file_system);
        char magic[48];
        std::snprintf(magic, sizeof magic, "file system type 0x%lx (not in mountinfo)",
                      static_cast<unsigned long>(file_system.f_type));
        text = magic;
    }
    return text + ", " + rotation_text(status.st_dev);
}

}  // namespace trackfold::bench
