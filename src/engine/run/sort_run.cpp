#include "engine/run/sort_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/fsio/path_inside.h"
#include "engine/run/cancel_state.h"
#include "engine/run/folder_settings.h"
#include "engine/run/run_mode.h"
#include "engine/run/settings_keys.h"
#include "engine/walk/file_count.h"
#include "engine/walk/sort_folder.h"
#include "util/ini_file.h"

namespace fs = std::filesystem;

namespace trackfold {

namespace {

std::string system_reason() {
    return std::strerror(errno);
}

std::string input_problem(const std::string& input) {
    DIR* dir = ::opendir(input.c_str());
    if (dir == nullptr) {
        return "cannot read the input folder " + input + ": " + system_reason();
    }
    ::closedir(dir);
    return {};
}

// A preview writes nothing, so it asks the system instead of trying.
std::string output_problem_seen(const std::string& output) {
    std::error_code ec;
    const fs::path there = nearest_existing(output);
    if (!fs::is_directory(there, ec)) {
        return "cannot make the output folder " + output + ": " + there.string() +
               " is not a folder";
    }
    if (::faccessat(AT_FDCWD, there.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return "cannot write the output folder " + output + ": " + system_reason();
    }
    return {};
}

// A real run makes the folder and a file in it, which is what the walk will do.
std::string output_problem_tried(const std::string& output, const std::string& probe) {
    std::error_code ec;
    fs::create_directories(output, ec);
    if (ec) {
        return "cannot make the output folder " + output + ": " + ec.message();
    }
    const std::string name = output + probe;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return "cannot write the output folder " + output + ": " + system_reason();
    }
    ::close(fd);
    ::unlink(name.c_str());
    return {};
}

std::string settings_problem(const SortRequest& request) {
    const IniReader settings(request.settings_file);
    if (!settings.problem().empty()) {
        return "cannot use the settings file " + request.settings_file.string() + ": " +
               settings.problem();
    }
    if (std::string problem = sub_folder_problem(read_folder_settings(settings).names);
        !problem.empty()) {
        return problem;
    }
    if (!run_mode(settings)) {
        return "cannot use the settings file " + request.settings_file.string() +
               ": Mode must be copy or move, not " +
               settings.text(settings_key::kSection, settings_key::kMode, "");
    }
    std::error_code ec;
    if (request.settings_named && !fs::exists(request.settings_file, ec)) {
        return "cannot read the settings file " + request.settings_file.string() +
               ": No such file or directory";
    }
    return {};
}

}  // namespace

std::string why_run_cannot_start(const SortRequest& request) {
    if (std::string problem = settings_problem(request); !problem.empty()) {
        return problem;
    }
    if (std::string problem = input_problem(request.input); !problem.empty()) {
        return problem;
    }
    return request.preview
               ? output_problem_seen(request.output)
               : output_problem_tried(request.output,
                                      ".trackfold-" + std::to_string(::getpid()) + "-check");
}

RunResult SortRun(RunWindow& window, const SortRequest& request) {
    if (const std::string problem = why_run_cannot_start(request); !problem.empty()) {
        window.report(RunEnded{RunOutcome::NotStarted, problem});
        return {};
    }
    Sorter sorter(window, request.settings_file, *request.library, request.read_ahead_threads,
                  request.preview);
    const IniReader settings(request.settings_file);
    sorter.set_move(run_mode(settings) == RunMode::move);
    if (const std::string problem = sorter.start(request.input, request.output); !problem.empty()) {
        window.report(RunEnded{RunOutcome::NotStarted, problem});
        return {};
    }
    const FileCount count(request.input, read_folder_settings(settings).types.accepted,
                          request.output);
    sorter.set_file_count(&count);
    sorter.SortFolder(request.input, request.output);
    sorter.finish();
    RunResult result{CancelState == Cancelled ? RunOutcome::Cancelled : RunOutcome::Complete,
                     sorter.summary()};
    window.report(result.summary);
    window.report(RunEnded{result.outcome, {}});
    return result;
}

}  // namespace trackfold
