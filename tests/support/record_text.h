#pragma once

#include <string>
#include <utility>

#include "engine/record/record_line.h"

namespace trackfold::test {

// A record's text: its first line, then a run "r" that an undo "u" took back wholly, whose
// lines a compaction drops.
inline std::string record_of_an_undone_run() {
    std::string text = std::string(kRecordVersionLine) + "\n";
    for (const auto& [run, action] : {std::pair{"r", RecordAction::Start},
                                      {"r", RecordAction::End},
                                      {"u", RecordAction::Undo},
                                      {"u", RecordAction::End}}) {
        RecordLine line;
        line.run = run;
        line.time = "2026-01-01T00:00:00Z";
        line.action = action;
        line.target = action == RecordAction::Undo ? "r" : "complete";
        text += format_record_line(line) + "\n";
    }
    return text;
}

}  // namespace trackfold::test
