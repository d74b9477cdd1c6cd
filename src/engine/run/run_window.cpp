#include "engine/run/run_window.h"

#include "engine/naming/folder_names.h"

namespace trackfold {

void RunWindow::report(const RunEvent& event) {
    if (const auto* placed = std::get_if<FilePlaced>(&event)) {
        set_counter_text(placed->category, incremented_count(counter_text(placed->category)));
    }
    append_log(trackfold::log_line(event));
    // A file that could not be read is not scrolled to, as the list always did.
    const auto* failed = std::get_if<FileFailed>(&event);
    if (failed == nullptr || failed->stage != FailedAt::Reading) {
        select_last_log();
    }
}

}  // namespace trackfold
