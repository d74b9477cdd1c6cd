#include "engine/events/run_events.h"

namespace trackfold {

bool is_failure(const RunEvent& event) {
    const auto* placed = std::get_if<FilePlaced>(&event);
    return (placed != nullptr && placed->source_fate == SourceFate::Stuck) ||
           std::holds_alternative<FileFailed>(event) ||
           std::holds_alternative<FolderFailed>(event) || std::holds_alternative<DiskFailed>(event);
}

void count_into(RunSummary& summary, const RunEvent& event) {
    if (const auto* placed = std::get_if<FilePlaced>(&event)) {
        summary.stuck += placed->source_fate == SourceFate::Stuck ? 1 : 0;
        summary.links_kept += placed->source_fate == SourceFate::LinkKept ? 1 : 0;
        summary.bytes_freed += placed->bytes_freed;
        if (placed->kind == FileKind::Companion) {
            // Counted on their own: the other counts are of recordings.
            ++summary.companions;
            return;
        }
        summary.other_code_page += placed->code_page.empty() ? 0 : 1;
        summary.moved += placed->source_fate == SourceFate::Removed ? 1 : 0;
        switch (placed->action) {
            case PlaceAction::AlreadyThere:
                ++summary.already_there;
                break;
            case PlaceAction::Replaced:
                ++summary.replaced;
                break;
            case PlaceAction::Numbered:
                ++summary.numbered;
                break;
            default:
                ++summary.copied;
        }
    } else if (std::holds_alternative<FileFailed>(event)) {
        ++summary.failed;
    } else if (const auto* folder = std::get_if<FolderFailed>(&event)) {
        ++summary.folders_failed;
        summary.files_in_failed_folders += folder->files_seen;
    } else if (std::holds_alternative<FolderLeftOut>(event)) {
        ++summary.folders_left_out;
    }
}

bool count_into(RunCounters& counters, const RunEvent& event) {
    const auto* placed = std::get_if<FilePlaced>(&event);
    if (placed == nullptr || placed->kind == FileKind::Companion) {
        return false;
    }
    ++counters[placed->category];
    return true;
}

}  // namespace trackfold
