#pragma once

#include <cstddef>
#include <string>

#include "engine/record/undo_run.h"

namespace trackfold {

// What an undo did, or would do, counted from its steps: what both front ends show before
// they ask to go ahead and after it has gone.
struct UndoSummary {
    std::size_t removed = 0;     // files the run made, removed
    std::size_t moved_back = 0;  // files the run moved, back where their sources were
    std::size_t restored = 0;    // removed sources copied back
    std::size_t folders = 0;     // empty folders the run made, removed
    std::size_t gone = 0;        // not there any more
    std::size_t kept = 0;        // left where they are, each with its reason
    std::size_t files() const { return removed + moved_back + restored + gone + kept; }
};

void count_into(UndoSummary& summary, const UndoStep& step);

// Whether the step leaves a file where it is, for a reason of its own line.
bool is_kept(const UndoStep& step);

// "Undo: 12 removed, 3 moved back, 0 restored, 4 folders removed, 0 gone, 2 kept"
std::string undo_summary_line(const UndoSummary& summary);

// The run an undo of the output folder would take back now, or why there is none; the record
// is only read and nothing is changed.
UndoResult run_to_undo_in(const std::string& output, RecordTrust trust = RecordTrust::checked);

}  // namespace trackfold
