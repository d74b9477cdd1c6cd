// move_bench: trackfold-cli --move against the tools that move and copy, alternating, on the
// same synthetic collection: within one disk against cp -r (a move there should cost far less
// than a copy), and from this disk onto another (an ext4 image, needs root) against mv.
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "collection.h"

namespace fs = std::filesystem;

namespace trackfold::bench {
namespace {

std::string quoted(const fs::path& path) {
    std::string text = path.string();
    text.insert(text.begin(), '\'');
    return text + '\'';
}

// Runs a shell command and gives its wall time; a trackfold-cli run that logged errors for the
// collection's unreadable files still counts.
double timed(const std::string& command) {
    return run_child({"sh", "-c", command + "; test $? -le 1"}).wall_seconds;
}

void shell(const std::string& command) {
    run_child({"sh", "-c", command});
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Pair {
    const char* label;
    const char* other_label;
    std::vector<double> ours, theirs;
};

void print(const Pair& pair, std::size_t files) {
    const double ours = median(pair.ours);
    const double theirs = median(pair.theirs);
    std::printf("  %-38s %8.3f s %9.0f files/s\n", "trackfold-cli --move", ours, files / ours);
    std::printf("  %-38s %8.3f s %9.0f files/s\n", pair.other_label, theirs, files / theirs);
    std::printf("  %-38s %8.2f\n", "ratio", ours / theirs);
}

}  // namespace
}  // namespace trackfold::bench

int main(int argc, char** argv) {
    using namespace trackfold::bench;
    std::size_t files = 20000;
    int rounds = 3;
    fs::path dir = fs::temp_directory_path();
    for (int i = 1; i < argc; i += 2) {
        const std::string flag = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (flag == "--files" && value) {
            files = std::strtoul(value, nullptr, 10);
        } else if (flag == "--rounds" && value) {
            rounds = std::atoi(value);
        } else if (flag == "--dir" && value) {
            dir = value;
        } else {
            std::fprintf(stderr, "usage: move_bench [--files N] [--rounds R] [--dir DIR]\n");
            return 2;
        }
    }
    char work_name[] = "trackfold-move-bench-XXXXXX";
    const fs::path work = dir / work_name;
    std::string pattern = work.string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path input = root / "input";
    const Collection collection = make_collection(input, files, 50);
    std::printf("collection: %zu MP3 files, %.1f MB, under %s\n", collection.mp3_files,
                static_cast<double>(collection.all_bytes) / 1e6, root.c_str());
    const fs::path settings = root / "move.ini";
    std::ofstream(settings) << "[SYSTEM]\nAlbumFolder=Albums\nArtistFolder=Artists\n"
                               "UnknowFolder=Unknown\nMode=move\n";
    const std::string cli = TRACKFOLD_CLI " --settings " + quoted(settings) + " ";

    // The other disk: an ext4 image of its own, as a second disk would be.
    const fs::path other = root / "other";
    fs::create_directories(other);
    bool across = ::geteuid() == 0;
    if (across) {
        // Each round moves the collection onto it twice, by mv and by trackfold-cli, and the
        // disk's blocks and folders take about a tenth more.
        const std::uintmax_t size =
            collection.all_bytes * 2 * static_cast<std::uintmax_t>(rounds) * 11 / 10 + (256 << 20);
        shell("truncate -s " + std::to_string(size) + " " + quoted(root / "other.img") +
              " && mkfs.ext4 -q " + quoted(root / "other.img") + " && mount -o loop " +
              quoted(root / "other.img") + " " + quoted(other));
    } else {
        std::printf("across disks: skipped, mounting an ext4 image needs root\n");
    }

    Pair same{"within one disk", "cp -r --preserve=timestamps, sync -f", {}, {}};
    Pair cross{"onto another disk", "mv, sync -f", {}, {}};
    for (int round = 0; round < rounds; ++round) {
        const std::string r = std::to_string(round);
        // Each move takes a copy of its own, made untimed; each is written out first.
        shell("cp -a " + quoted(input) + " " + quoted(root / ("in-" + r)) + " && sync");
        same.ours.push_back(timed(cli + quoted(root / ("in-" + r)) + " " +
                                  quoted(root / ("moved-" + r)) + " > /dev/null"));
        same.theirs.push_back(timed("cp -r --preserve=timestamps " + quoted(input) + " " +
                                    quoted(root / ("copied-" + r)) + " && sync -f " +
                                    quoted(root / ("copied-" + r))));
        if (!across) {
            continue;
        }
        shell("cp -a " + quoted(input) + " " + quoted(root / ("x-" + r)) + " && cp -a " +
              quoted(input) + " " + quoted(root / ("y-" + r)) + " && sync");
        cross.theirs.push_back(timed("mv " + quoted(root / ("y-" + r)) + " " +
                                     quoted(other / ("mv-" + r)) + " && sync -f " + quoted(other)));
        cross.ours.push_back(timed(cli + quoted(root / ("x-" + r)) + " " +
                                   quoted(other / ("moved-" + r)) + " > /dev/null"));
    }
    std::printf("median of %d rounds, alternating\nwithin one disk:\n", rounds);
    print(same, collection.mp3_files);
    if (across) {
        std::printf("onto another disk (an ext4 image on the same device):\n");
        print(cross, collection.mp3_files);
        ::umount(other.c_str());
    }
    fs::remove_all(root);
    return 0;
}
