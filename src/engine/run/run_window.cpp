#include "engine/run/run_window.h"

#include "engine/lines/line_texts.h"
#include "engine/run/start_run.h"

namespace trackfold {

bool selects_line(const RunEvent& event) {
    const auto* failed = std::get_if<FileFailed>(&event);
    return failed == nullptr || failed->stage != FailedAt::Reading;
}

void RunWindow::show_end_status(const RunResult& result, const std::string& log,
                                const std::string& problem) {
    set_status(end_status(result, log, problem));
}

void RunWindow::tell_log_trouble(LogTrouble trouble, const std::string& log,
                                 const std::string& problem) {
    if (trouble == LogTrouble::NotSaved) {
        tell("The log could not be saved in " + log + ": " + problem);
    } else {
        note("The log is saved in " + log +
             ". No program here opens text files: open it with a text editor.");
    }
}

void RunWindow::tell_disk_full(const DiskFullStop& stop) {
    tell(log_line(RunEnded{RunOutcome::DiskFull, {}, stop}));
}

}  // namespace trackfold
