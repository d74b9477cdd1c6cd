#pragma once

#include <cstddef>
#include <string>

#include "engine/events/run_events.h"

namespace trackfold {

// What a run tells every front end, the window, the preview and the command line alike, and
// how it asks whether to stop. Tests and the benchmark use doubles, so the engine runs
// without a display.
class RunFrontEnd {
  public:
    virtual ~RunFrontEnd() = default;

    // What the run did, one event at a time; line texts come from log_line and its kin.
    virtual void report(const RunEvent& event) = 0;

    // The number of files the run will take, told once when the count alongside the walk is
    // done; a run that ends first never tells it.
    virtual void files_counted(std::size_t total) = 0;

    // The counters as they stand, told whenever one of them changes.
    virtual void set_counters(const RunCounters& counters) = 0;

    // The name of the file being looked at.
    virtual void set_status(const std::string& file_name) = 0;

    // Asked before the next file once CancelState is CancelRequested; true to stop.
    virtual bool ask_cancel() = 0;

    // Lets the front end handle pending events; a click on End may end the process in here.
    virtual void pump_events() = 0;
    // Whether the next pump_events lets the user act on what the front end shows: the run
    // then first tells every file it has begun, so that a cancel stops before the next file
    // after the last one shown.
    virtual bool events_due() const { return false; }
};

}  // namespace trackfold
