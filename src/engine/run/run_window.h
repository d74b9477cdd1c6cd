#pragma once

#include <cstddef>
#include <string>

#include "engine/run/run_events.h"

namespace trackfold {

// Everything the engine asks of the main window. The Qt program implements it; tests and the
// benchmark use doubles, so the engine runs without a display.
class RunWindow {
  public:
    virtual ~RunWindow() = default;

    // The counters exist only as these texts.
    virtual std::string counter_text(Counter counter) const = 0;
    virtual void set_counter_text(Counter counter, const std::string& text) = 0;

    // The name of the file being looked at.
    virtual void set_status(const std::string& file_name) = 0;

    // What the run did, one event at a time. By default its log line goes to the list and a
    // placed file counts in its category's counter.
    virtual void report(const RunEvent& event);

    // The number of files the run will take, told once when the count alongside the walk is
    // done; a run that ends first never tells it.
    virtual void files_counted(std::size_t /*total*/) {}

    virtual void append_log(const std::string& line) = 0;
    virtual void select_last_log() = 0;
    virtual void clear_log() = 0;
    virtual std::size_t log_count() const = 0;
    virtual std::string log_line(std::size_t index) const = 0;

    // "処理をキャンセルしますか?" with Yes and No; true for Yes.
    virtual bool ask_cancel() = 0;

    // Lets the window handle pending events; a click on End may end the process in here.
    virtual void pump_events() = 0;

    // Every control that starts a run or changes what it would do: the two folder buttons and
    // Start, and in the window also Preview and Settings.
    virtual void set_run_buttons_enabled(bool enabled) = 0;

    virtual void show_progress() = 0;
    virtual void unload_progress() = 0;
    // Hands the log to the desktop's program for text files; false when there is none.
    virtual bool open_with_shell(const std::string& path) = 0;

    // A message the user must see before going on (why a run cannot start).
    virtual void tell(const std::string& message) = 0;
};

}  // namespace trackfold
