#include "engine/run/run_window.h"

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
        tell("The log is saved in " + log +
             ". No program here opens text files: open it with a text editor.");
    }
}

}  // namespace trackfold
