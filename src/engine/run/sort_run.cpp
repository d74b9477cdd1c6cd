#include "engine/run/sort_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/events/cancel_state.h"
#include "engine/fsio/disk_space.h"
#include "engine/fsio/path_inside.h"
#include "engine/settings/folder_settings.h"
#include "engine/settings/run_mode.h"
#include "engine/settings/settings_keys.h"
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

std::string settings_problem(const SortRequest& request, const IniReader& settings) {
    if (!settings.problem().empty()) {
        return "cannot use the settings file " + request.settings_file.string() + ": " +
               settings.problem();
    }
    if (std::string problem = folder_settings_problem(read_folder_settings(settings));
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

std::string why_run_cannot_start(const SortRequest& request, const IniReader& settings,
                                 Disk& disk) {
    if (std::string problem = settings_problem(request, settings); !problem.empty()) {
        return problem;
    }
    if (std::string problem = input_problem(request.input); !problem.empty()) {
        return problem;
    }
    return disk.output_problem(request.output,
                               ".trackfold-" + std::to_string(::getpid()) + "-check");
}

namespace {

RunResult not_started(RunFrontEnd& window, const std::string& problem) {
    window.report(RunEnded{RunOutcome::NotStarted, problem});
    return {RunOutcome::NotStarted, {}, problem};
}

}  // namespace

RunResult sort_run(RunFrontEnd& window, const SortRequest& request,
                   const std::function<void()>& started) {
    const std::unique_ptr<Disk> disk = make_disk(request.mode);
    const IniReader settings(request.settings_file);
    if (const std::string problem = why_run_cannot_start(request, settings, *disk);
        !problem.empty()) {
        return not_started(window, problem);
    }
    Sorter sorter(window, request.settings_file, *request.library, request.read_ahead_threads,
                  *disk);
    sorter.set_move(run_mode(settings) == RunMode::move);
    if (const std::string problem = sorter.start(request.input, request.output); !problem.empty()) {
        return not_started(window, problem);
    }
    if (started) {
        started();
    }
    const std::optional<DiskSpace> space = disk_space(request.output);
    const FolderSettings now = read_folder_settings(settings);
    const FileCount count(request.input, now.types.accepted, request.output,
                          space ? space->device : 0, sorter.sizes_to_count(), now.ignore);
    sorter.set_file_count(&count);
    sorter.SortFolder(request.input, request.output);
    sorter.finish();
    RunResult result{CancelState == Cancelled ? RunOutcome::Cancelled : RunOutcome::Complete,
                     sorter.summary()};
    // The full disk is why the run stopped, even where a cancel came after it.
    if (const std::optional<DiskFullStop> stop = sorter.disk_full()) {
        result.outcome = RunOutcome::DiskFull;
        result.disk_full = *stop;
    }
    window.report(result.summary);
    window.report(RunEnded{result.outcome, {}, result.disk_full});
    return result;
}

}  // namespace trackfold
