#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/events/cancel_state.h"
#include "engine/record/record_line.h"
#include "engine/walk/sort_folder.h"
#include "fake_window.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "util/ini_file.h"

namespace trackfold::test {

// Root ignores file permissions, and CI runs as root: act as "nobody" while the walk runs so
// permission failures happen for real. The tree is opened up first so nobody can reach it.
class AsUnprivileged {
  public:
    explicit AsUnprivileged(const std::filesystem::path& tree) {
        if (::geteuid() != 0 || tree.empty()) {
            return;
        }
        std::filesystem::permissions(tree, std::filesystem::perms::all);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tree)) {
            if (entry.is_directory() && !entry.is_symlink() &&
                (entry.status().permissions() & std::filesystem::perms::owner_write) !=
                    std::filesystem::perms::none) {
                std::filesystem::permissions(entry.path(), std::filesystem::perms::all);
            }
        }
        active_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~AsUnprivileged() {
        if (active_) {
            (void)::seteuid(0);
            (void)::setegid(0);
        }
    }

  private:
    bool active_ = false;
};

// Runs body in a child process; returns its wait status. With a file-size limit, the child is
// killed (SIGXFSZ) by its first write past it, as a crash or the OOM killer would.
inline int in_child(const std::function<void()>& body, rlim_t file_size_limit = RLIM_INFINITY) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit no_core{0, 0};
        const rlimit size{file_size_limit, file_size_limit};
        ::setrlimit(RLIMIT_CORE, &no_core);
        ::setrlimit(RLIMIT_FSIZE, &size);
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// An input and an output folder under one temporary folder, with the settings file beside
// them, and the window the walk reports to.
class SortFixture {
  public:
    TempDir tmp;
    std::filesystem::path in = tmp.path() / "in";
    std::filesystem::path out = tmp.path() / "out";
    std::filesystem::path settings = tmp.path() / "trackfold.ini";
    FakeWindow window;

    SortFixture() { std::filesystem::create_directories(in); }

    std::string in_folder() const { return in.string() + "/"; }
    std::string out_folder() const { return out.string() + "/"; }

    void use_sub_folders(const std::string& album, const std::string& artist,
                         const std::string& unknown) {
        PutIniText(settings, "SYSTEM", "AlbumFolder", album);
        PutIniText(settings, "SYSTEM", "ArtistFolder", artist);
        PutIniText(settings, "SYSTEM", "UnknowFolder", unknown);
    }

    bool sort() { return sort_from(in_folder()); }
    bool sort_from(const std::string& folder,
                   unsigned read_ahead_threads = TagReadAhead::default_threads(),
                   Mp3Library& library = vbmp3_library()) {
        window.log.clear();
        window.events.clear();
        window.counters = {};
        CancelState = Idle;
        Sorter sorter(window, settings, library, read_ahead_threads);
        return sorter.SortFolder(folder, out_folder());
    }

    // The log line of a placed file: copied, or what else was done.
    std::string copied(int read_count, const std::string& category, const std::string& source,
                       const std::string& target, const std::string& action = "copied") const {
        return std::to_string(read_count) + "\t" + category + "\t" + in_folder() + source + "\t" +
               out_folder() + target + "\t" + action;
    }

    // Every regular file below folder but placement records, relative to it, in name order.
    static std::vector<std::string> files_below(const std::filesystem::path& folder) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && entry.path().filename() != kRecordFileName) {
                files.push_back(std::filesystem::relative(entry.path(), folder).string());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }
};

}  // namespace trackfold::test
