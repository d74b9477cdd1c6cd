#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trackfold {

// The names of the files a run makes for a moment in the output and removes again: a copy that
// is not whole yet, ".trackfold-<process>-<run>-<n>.part", and the probes that learn what a disk
// takes, ".trackfold-<process>-<run>-probe" with one of the suffixes probe_suffixes() gives.
// Only a name of exactly this form is ever taken for one of ours.
struct TempName {
    std::string run;  // the run id, 12 lower-case hex digits
};

// The start of every temporary name of the run `run` in this process.
std::string temp_prefix(const std::string& run);

// What follows "probe" in the names of the probe files, the plain name first.
std::span<const std::string_view> probe_suffixes();

// The run a temporary of ours belongs to; nothing for any other name, also one that merely
// starts like ours.
std::optional<TempName> parse_temp_name(std::string_view name);

// Whether a temporary may be removed: its run is one the output's record knows, not this one,
// and has certainly ended, by its end line or by nobody holding its lock.
struct TempRunState {
    bool known = false;
    bool ours = false;
    bool ended = false;
    bool lock_free = false;  // the run's lock was asked for and nobody holds it
};
bool temp_is_stale(const TempRunState& state);

}  // namespace trackfold
