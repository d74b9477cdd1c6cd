#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/fsio/file_stamp.h"

namespace trackfold {

// The one place where the lines of the placement record are written and read. A line is
// tab-separated fields; paths have backslash, tab, line breaks and other control characters
// escaped, so one line is always one record.
enum class RecordAction {
    Start,          // a sort run began: its process and its input folder
    Undo,           // an undo began: its process and the run it undoes
    End,            // a run or undo ended: how
    Folder,         // the run made this folder
    Copied,         // the source was copied to a new target under its own name
    Numbered,       // ... under a numbered name, as another file had the name
    Replaced,       // the source's own earlier copy was replaced by a new one
    AlreadyThere,   // the target already held the source's bytes; nothing was written
    Removed,        // an undo removed this target, or this folder
    SourceRemoved,  // a move removed the source of the placement on the line before
    Restored,       // an undo put the source back where it was
    Compact,        // a compaction began: its process; it writes nothing more but its end
    Settings,       // the settings that give the run's tags their meaning, from here on
};

struct RecordLine {
    std::string run;
    std::string time;  // when the line was written: UTC, 2026-12-08T17:31:32Z
    RecordAction action = RecordAction::Start;
    long pid = 0;        // Start, Undo, Compact
    std::string source;  // placements: the source's real path; Start: the input folder
    // Placements, Folder, Removed: relative to the output folder; Undo: the run it undoes;
    // End: "complete" or "cancelled"; Settings: tag_settings_text().
    std::string target;
    FileStamp source_stamp;  // placements
    FileStamp target_stamp;  // placements: the target as written, or as found
};

// The record's first line.
inline constexpr std::string_view kRecordVersionLine = "trackfold placement record 1";

// The record's file name in the output folder.
inline constexpr std::string_view kRecordFileName = ".trackfold-record.txt";

bool is_placement(RecordAction action);
// Whether the placement wrote the target's bytes.
bool wrote_target(RecordAction action);

// Without the line break.
std::string format_record_line(const RecordLine& line);
// Nothing for a line that is not a whole, well-formed record line.
std::optional<RecordLine> parse_record_line(std::string_view text);

// The current time as lines give it.
std::string record_time_now();

}  // namespace trackfold
