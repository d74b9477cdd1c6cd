#include "engine/record/undo_summary.h"

#include "engine/lines/line_texts.h"

namespace trackfold {

bool is_kept(const UndoStep& step) {
    switch (step.action) {
        case UndoAction::Removed:
        case UndoAction::Gone:
        case UndoAction::FolderRemoved:
        case UndoAction::MovedBack:
        case UndoAction::Restored:
            return false;
        default:
            return true;
    }
}

void count_into(UndoSummary& summary, const UndoStep& step) {
    switch (step.action) {
        case UndoAction::Removed:
            ++summary.removed;
            return;
        case UndoAction::MovedBack:
            ++summary.moved_back;
            return;
        case UndoAction::Restored:
            ++summary.restored;
            return;
        case UndoAction::FolderRemoved:
            ++summary.folders;
            return;
        case UndoAction::Gone:
            ++summary.gone;
            return;
        default:
            ++summary.kept;
            return;
    }
}

std::string undo_summary_line(const UndoSummary& summary) {
    return "Undo: " + with_thousands(summary.removed) + " removed, " +
           with_thousands(summary.moved_back) + " moved back, " + with_thousands(summary.restored) +
           " restored, " + with_thousands(summary.folders) + " folders removed, " +
           with_thousands(summary.gone) + " gone, " + with_thousands(summary.kept) + " kept";
}

UndoResult run_to_undo_in(const std::string& output, RecordTrust trust) {
    return chosen_run(UndoRequest{output, std::nullopt, DiskMode::preview, trust});
}

}  // namespace trackfold
