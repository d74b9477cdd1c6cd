#pragma once

#include <string>
#include <string_view>

#include "engine/events/run_events.h"
#include "engine/record/undo_run.h"

namespace trackfold {

// The one place where the texts of lines are made, for the window, the command line and the
// log file alike: the front ends only show them.

// A name as lines show it: a newline in a name would split its line, a tab add a field, an
// escape sequence reach the terminal, so each control character is shown as \xHH.
std::string shown(std::string_view text);

// The log line of an event: the one place line texts are made. Control characters in paths
// are shown as \xHH, so one file is always one line.
std::string log_line(const RunEvent& event);

// The log line as a list with a column of its own for the action shows it: without the
// placed line's action field, which the column shows.
std::string list_line(const RunEvent& event);

// What was done with one file, as a value that each front end words in its language; None
// for events about no one file.
enum class ActionWord {
    None,
    Copied,
    AlreadyThere,
    Replaced,
    Numbered,
    Moved,
    SourceKept,
    Error,
    LeftOut
};
ActionWord action_word(const RunEvent& event);

// What was done, in a word or two for a column beside the log line: "copied", "already there",
// "replaced", "numbered", "moved", "source kept", "error", "left out"; "" for events about no one
// file.
std::string action_text(const RunEvent& event);

// The event as one JSON object on one line, with the exact bytes of every path.
std::string json_line(const RunEvent& event);

// The line that tells what a compaction of the placement record did, or why it did nothing.
std::string compaction_line(const CompactionResult& result);

// A count as lines give it: 12,345.
std::string with_thousands(std::size_t number);

// The line of one step of an undo.
std::string undo_line(const UndoStep& step);

}  // namespace trackfold
