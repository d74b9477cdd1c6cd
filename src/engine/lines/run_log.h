#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/lines/line_texts.h"

namespace trackfold {

// The lines of a run's log file, collected from its events as they pass: the file holds what
// the run reported, whatever a front end's list shows.
class RunLog {
  public:
    // The first line of every log, and of the window's list before a run.
    static constexpr const char* kFirstLine = "Ready...";

    void add(const RunEvent& event) { lines_.push_back(log_line(event)); }
    const std::vector<std::string>& lines() const { return lines_; }

    // Why the file could not be written, or "".
    std::string write(const std::filesystem::path& path) const;

  private:
    std::vector<std::string> lines_{kFirstLine};
};

}  // namespace trackfold
