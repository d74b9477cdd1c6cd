#pragma once

#include <filesystem>
#include <string>

#include "engine/run/run_window.h"
#include "engine/run/sort_run.h"
#include "tags/tag_reader.h"

namespace trackfold {

struct RunFiles {
    std::filesystem::path settings_file;
    std::filesystem::path log_file;
};

// The Start button: checks and remembers the two folder texts, runs the walk, writes the
// closing line and the log file (the lines of the run's events, "Ready..." first) and hands it
// to the shell. An empty folder text does nothing;
// folders a run cannot start with get the reason in the list and a message, and are not
// remembered.
void start_run(RunWindow& window, const std::string& input_text, const std::string& output_text,
               const RunFiles& files, Mp3Library& library = vbmp3_library());

// A finished run in one line: its summary, and whether it was cancelled.
std::string outcome_status(const RunResult& result);

// The status line after a run: its summary, and where its log is or why it is not.
std::string end_status(const RunResult& result, const std::string& log, const std::string& problem);

void BeginRun(RunWindow& window);
void EndRun(RunWindow& window);

// Counters to 0, the list to just "Ready...", the status label empty: how the window looks
// at start-up and at the beginning of every run.
void reset_run_display(RunWindow& window);

// A folder text made to end in one separator ("" stays ""): as typed when it names a folder,
// otherwise trimmed of the spaces around it.
std::string folder_with_separator(const std::string& text);
// The same without trimming: a folder named on the command line is taken byte for byte.
std::string with_one_separator(std::string folder);

// The folder as the settings file keeps it: without its last separator, but "/" stays "/".
std::string stored_folder(const std::string& folder);

}  // namespace trackfold
