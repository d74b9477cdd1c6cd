#include "engine/run/start_run.h"

#include <sys/stat.h>

#include "engine/run/cancel_state.h"
#include "engine/run/settings_keys.h"
#include "engine/run/sort_run.h"
#include "util/ini_file.h"
#include "util/log_file.h"
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
    for (Counter counter :
         {Counter::Unknown, Counter::AlbumArtist, Counter::AlbumOnly, Counter::ArtistOnly}) {
        window.set_counter_text(counter, "0");
    }
    window.clear_log();
    window.append_log("Ready...");
    window.select_last_log();
    window.set_counter_text(Counter::ReadFile, "0");
    window.set_status("");
}

std::string outcome_status(const RunResult& result) {
    std::string status = log_line(result.summary);
    if (result.outcome == RunOutcome::Cancelled) {
        status += " ...User Cancel";
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

void StartRun(RunWindow& window, const std::string& input_text, const std::string& output_text,
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
    // Only folders that work are remembered.
    const RunResult result = SortRun(window, request, [&] {
        PutIniText(files.settings_file, settings_key::kSection, settings_key::kInputFolder,
                   stored_folder(input));
        PutIniText(files.settings_file, settings_key::kSection, settings_key::kOutputFolder,
                   stored_folder(output));
        window.show_progress();
    });
    EndRun(window);
    if (result.outcome == RunOutcome::NotStarted) {
        // Nothing was walked.
        window.tell(result.reason);
        return;
    }

    const std::string log = files.log_file.string();
    const std::string problem =
        WriteLogFile(files.log_file, window.log_count(),
                     [&window](std::size_t i) { return window.log_line(i); });
    window.set_status(end_status(result, log, problem));
    window.unload_progress();
    if (!problem.empty()) {
        window.tell("The log could not be saved in " + log + ": " + problem);
    } else if (!window.open_with_shell(log)) {
        window.tell("The log is saved in " + log +
                    ". No program here opens text files: open it with a text editor.");
    }
}

}  // namespace trackfold
