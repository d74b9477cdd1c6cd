#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "engine/events/run_events.h"
#include "engine/events/run_front_end.h"
#include "engine/fsio/disk.h"
#include "engine/walk/tag_read_ahead.h"
#include "tags/tag_reader.h"
#include "util/ini_file.h"

namespace trackfold {

struct SortRequest {
    std::string input;   // ending in the separator
    std::string output;  // ending in the separator
    std::filesystem::path settings_file;
    bool settings_named = false;     // named by the user: it must be there
    DiskMode mode = DiskMode::real;  // preview: change nothing, tell what the run would do
    Mp3Library* library = &vbmp3_library();
    unsigned read_ahead_threads = TagReadAhead::default_threads();
};

// Why a run cannot start, in one sentence with the system's reason, or "" when it can: the
// input must be a folder that can be read, the output a folder that exists or can be made and
// can be written, the settings file a readable regular file of sane size. A real run makes the
// output folder here; a preview only looks.
std::string why_run_cannot_start(const SortRequest& request, const IniReader& settings, Disk& disk);

struct RunResult {
    RunOutcome outcome = RunOutcome::NotStarted;
    RunSummary summary{};
    std::string reason{};  // NotStarted: why
    DiskFullStop disk_full{};
};

// One whole run, the same for the window and the command line: the checks, the walk, the
// flush, then the summary and the end, all as events. A run that cannot start ends at once,
// with nothing walked; one that can calls `started` before its walk.
RunResult sort_run(RunFrontEnd& window, const SortRequest& request,
                   const std::function<void()>& started = {});

}  // namespace trackfold
