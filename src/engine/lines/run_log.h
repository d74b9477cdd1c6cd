#pragma once

#include <filesystem>
#include <string>

#include "engine/lines/line_texts.h"
#include "util/log_file.h"

namespace trackfold {

// A run's log file, written from its events as they pass: the file holds what the run
// reported, whatever a front end's list shows, and the run never holds its lines.
class RunLog {
  public:
    // The first line of every log, and of the window's list before a run.
    static constexpr const char* kFirstLine = "Ready...";

    explicit RunLog(std::filesystem::path path) : file_(std::move(path)) { file_.add(kFirstLine); }

    void add(const RunEvent& event) { file_.add(log_line(event)); }

    // Puts the log in place of the previous one, once, at the end of the run. Why the file
    // could not be written, or "".
    std::string save() { return file_.save(); }

  private:
    LogFileWriter file_;
};

}  // namespace trackfold
