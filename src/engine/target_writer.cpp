#include "engine/target_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/file_copy.h"
#include "engine/folder_names.h"

namespace fs = std::filesystem;

namespace trackfold {

bool same_content(const std::string& a, const std::string& b) {
    std::error_code ec_a;
    std::error_code ec_b;
    const auto size_a = fs::file_size(a, ec_a);
    const auto size_b = fs::file_size(b, ec_b);
    if (ec_a || ec_b || size_a != size_b) {
        return false;
    }
    std::ifstream in_a(a, std::ios::binary);
    std::ifstream in_b(b, std::ios::binary);
    if (!in_a || !in_b) {
        return false;
    }
    char buffer_a[65536];
    char buffer_b[65536];
    while (in_a && in_b) {
        in_a.read(buffer_a, sizeof buffer_a);
        in_b.read(buffer_b, sizeof buffer_b);
        if (in_a.gcount() != in_b.gcount() ||
            !std::equal(buffer_a, buffer_a + in_a.gcount(), buffer_b)) {
            return false;
        }
    }
    return in_a.eof() && in_b.eof();
}

namespace {

enum class TargetState { Absent, InPlace, Other };

// In place when the target is the source itself (the collection is already sorted, or the
// output lies in the input), or a copy an earlier run made: same size and modification time,
// which every copy keeps. Either way a copy would change nothing.
TargetState target_state(const struct stat& from, const std::string& target) {
    struct stat to {};
    if (::lstat(target.c_str(), &to) != 0) {
        return errno == ENOENT ? TargetState::Absent : TargetState::Other;
    }
    if (S_ISLNK(to.st_mode) && ::stat(target.c_str(), &to) != 0) {
        return TargetState::Other;
    }
    if (!S_ISREG(to.st_mode)) {
        return TargetState::Other;
    }
    if (from.st_dev == to.st_dev && from.st_ino == to.st_ino) {
        return TargetState::InPlace;
    }
    return from.st_size == to.st_size && from.st_mtim.tv_sec == to.st_mtim.tv_sec &&
                   from.st_mtim.tv_nsec == to.st_mtim.tv_nsec
               ? TargetState::InPlace
               : TargetState::Other;
}

}  // namespace

TargetWriter::TargetWriter() : temp_prefix_(".trackfold-" + std::to_string(::getpid()) + "-") {}

std::string TargetWriter::free_target(const std::string& source, std::uintmax_t size,
                                      const std::string& folder, const std::string& name) {
    std::string target = folder + name;
    for (int n = 2;; ++n) {
        // Sizes are kept so that only a target of the source's size is read to compare:
        // files that share a name ("Track 01.mp3") would otherwise be read again and again.
        const auto found = written_.find(target);
        if (found == written_.end() || (found->second == size && same_content(source, target))) {
            return target;
        }
        target = folder + numbered_file_name(name, n);
    }
}

std::string TargetWriter::copy(const std::string& source, const std::string& folder,
                               const std::string& name, std::error_code& ec) {
    ec.clear();
    struct stat from {};
    if (::stat(source.c_str(), &from) != 0) {
        ec.assign(errno, std::generic_category());
        return folder + name;
    }
    const auto size = static_cast<std::uintmax_t>(from.st_size);
    const std::string target = free_target(source, size, folder, name);

    switch (target_state(from, target)) {
        case TargetState::InPlace:
            break;
        case TargetState::Absent:
            // Nothing to keep whole: the copy goes straight to its name, which it only takes if
            // still free, and a failed copy takes its part-written file away again.
            copy_file_keeping_time(source, target, ec);
            break;
        case TargetState::Other: {
            // An earlier copy (or whatever holds the name) is replaced only by a whole copy.
            const std::string temp = folder + temp_prefix_ + std::to_string(++temp_serial_);
            copy_file_keeping_time(source, temp, ec);
            if (!ec) {
                fs::rename(temp, target, ec);
                if (ec) {
                    std::error_code ignored;
                    fs::remove(temp, ignored);
                }
            }
            break;
        }
    }
    if (ec) {
        return target;
    }
    written_.insert_or_assign(target, size);
    return target;
}

}  // namespace trackfold
