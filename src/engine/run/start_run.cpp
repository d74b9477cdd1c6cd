#include "engine/run/start_run.h"

#include <sys/stat.h>

#include "engine/events/cancel_state.h"
#include "engine/lines/line_texts.h"
#include "engine/lines/run_log.h"
#include "engine/run/sort_run.h"
#include "engine/settings/settings_keys.h"
#include "util/ini_file.h"
#include "util/text.h"

namespace trackfold {

std::string stored_folder(const std::string& folder) {
    // A root folder would otherwise be remembered as nothing at all.
    return folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
}

std::string folder_with_separator(const std::string& text) {
    // Spaces around a typed or pasted path are dropped, but a folder whose name has them is
    // taken as it is.
    struct stat info {};
    const bool names_folder = ::stat(text.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return with_one_separator(names_folder ? text : trim_spaces(text));
}

std::string with_one_separator(std::string folder) {
    // "/music//" would show as "/music//a.mp3" in every line.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

void reset_run_display(RunWindow& window) {
    window.set_counters(RunCounters{});
    window.clear_log();
    window.append_log(RunLog::kFirstLine);
    window.select_last_log();
    window.set_status("");
}

namespace {

// The window as the run sees it, with the log file's lines taken from the events on the way.
class LoggedRun final : public RunFrontEnd {
  public:
    LoggedRun(RunWindow& window, const std::filesystem::path& log_file)
        : window_(window), log_(log_file) {}

    void report(const RunEvent& event) override {
        log_.add(event);
        window_.report(event);
        if (std::holds_alternative<SpaceShort>(event)) {
            // Told while the run can still be cancelled with little written.
            window_.tell(log_line(event));
        }
    }
    void files_counted(std::size_t total) override { window_.files_counted(total); }
    void set_counters(const RunCounters& counters) override { window_.set_counters(counters); }
    void set_status(const std::string& file_name) override { window_.set_status(file_name); }
    bool ask_cancel() override { return window_.ask_cancel(); }
    void pump_events() override { window_.pump_events(); }
    bool events_due() const override { return window_.events_due(); }

    RunLog& log() { return log_; }

  private:
    RunWindow& window_;
    RunLog log_;
};

}  // namespace

std::string outcome_status(const RunResult& result) {
    std::string status = log_line(result.summary);
    if (result.outcome == RunOutcome::Cancelled) {
        status += " ...User Cancel";
    } else if (result.outcome == RunOutcome::DiskFull) {
        status += " " + log_line(RunEnded{result.outcome, {}, result.disk_full});
    }
    return status;
}

std::string end_status(const RunResult& result, const std::string& log,
                       const std::string& problem) {
    return outcome_status(result) +
           (problem.empty() ? " | Log: " + log : " | Log not saved: " + problem);
}

void BeginRun(RunWindow& window) {
    CancelState = Idle;
    window.set_run_buttons_enabled(false);
    reset_run_display(window);
}

void EndRun(RunWindow& window) {
    window.set_run_buttons_enabled(true);
}

void start_run(RunWindow& window, const std::string& input_text, const std::string& output_text,
               const RunFiles& files, Mp3Library& library) {
    const std::string input = folder_with_separator(input_text);
    if (input.empty()) {
        return;
    }
    const std::string output = folder_with_separator(output_text);
    if (output.empty()) {
        return;
    }
    SortRequest request{input, output, files.settings_file};
    request.library = &library;
    BeginRun(window);
    LoggedRun run(window, files.log_file);
    // Only folders that work are remembered.
    const RunResult result = sort_run(run, request, [&] {
        PutIniText(files.settings_file, settings_key::kSection, settings_key::kInputFolder,
                   stored_folder(input));
        PutIniText(files.settings_file, settings_key::kSection, settings_key::kOutputFolder,
                   stored_folder(output));
        window.show_progress();
    });
    EndRun(window);
    if (result.outcome == RunOutcome::NotStarted) {
        // Nothing was walked.
        window.tell_not_started(result.reason);
        return;
    }

    const std::string log = files.log_file.string();
    const std::string problem = run.log().save();
    window.show_end_status(result, log, problem);
    window.unload_progress();
    if (result.outcome == RunOutcome::DiskFull) {
        // The run stopped short of its end: the user must hear why, not find it in the list.
        window.tell_disk_full(result.disk_full);
    }
    if (!problem.empty()) {
        window.tell_log_trouble(LogTrouble::NotSaved, log, problem);
    } else if (!window.open_with_shell(log)) {
        window.tell_log_trouble(LogTrouble::NoViewer, log, problem);
    }
}

}  // namespace trackfold
