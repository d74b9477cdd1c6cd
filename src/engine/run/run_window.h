#pragma once

#include <string>

#include "engine/events/run_front_end.h"

namespace trackfold {

struct RunResult;

// Why a run's log did not reach the desktop's program for text files.
enum class LogTrouble {
    NotSaved,  // the log file could not be written
    NoViewer,  // it is saved, but no program here opens text files
};

// What the window's Start (start_run, BeginRun, EndRun) asks of it besides the run itself. The
// window shows each event in its list as it is reported; the log file is made from the events,
// never read back from the list.
class RunWindow : public RunFrontEnd {
  public:
    // The list as a run begins: emptied, then its first line, selected.
    virtual void clear_log() = 0;
    virtual void append_log(const std::string& line) = 0;
    virtual void select_last_log() = 0;

    // Every control that starts a run or changes what it would do: the two folder buttons and
    // Start, and in the window also Preview and Settings.
    virtual void set_run_buttons_enabled(bool enabled) = 0;

    virtual void show_progress() = 0;
    virtual void unload_progress() = 0;
    // Hands the log to the desktop's program for text files; false when there is none.
    virtual bool open_with_shell(const std::string& path) = 0;

    // A message the user must see before going on (why a run cannot start).
    virtual void tell(const std::string& message) = 0;
    // A notice that reports no problem (where the log is, when nothing opens it): a message
    // too, unless the front end shows notices its own way.
    virtual void note(const std::string& message) { tell(message); }

    // The end of a run as values, for a window to word in its own language; by default the
    // status line gets end_status() and each trouble a message in English.
    virtual void show_end_status(const RunResult& result, const std::string& log,
                                 const std::string& problem);
    // `problem`: why the log could not be saved (NotSaved only).
    virtual void tell_log_trouble(LogTrouble trouble, const std::string& log,
                                  const std::string& problem);
    // That the output's disk was full and the run stopped; by default told as its last line.
    virtual void tell_disk_full(const DiskFullStop& stop);
    // Why the run could not start, as the engine says it; by default told as it is.
    virtual void tell_not_started(const std::string& reason) { tell(reason); }
};

// Whether a list shows the event's line selected, as the newest: a file that could not be
// read is not scrolled to, as the list always did.
bool selects_line(const RunEvent& event);

}  // namespace trackfold
