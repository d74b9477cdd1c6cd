// trackfold-cli: the window's sort from a terminal, a server or a script.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_texts.h"
#include "cli/exit_status.h"
#include "cli/terminal_run.h"
#include "engine/events/cancel_state.h"
#include "engine/events/run_events.h"
#include "engine/lines/line_texts.h"
#include "engine/record/record_compaction.h"
#include "engine/record/undo_run.h"
#include "engine/run/sort_run.h"
#include "engine/run/start_run.h"
#include "engine/settings/first_start.h"
#include "engine/settings/settings_keys.h"
#include "util/app_dir.h"
#include "util/ini_file.h"
#include "util/settings_places.h"

namespace fs = std::filesystem;

namespace trackfold {
namespace {

void request_stop(int) {
    g_stop_requested = 1;
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "trackfold-cli: %s\n", message.c_str());
    return exit_status::kNotStarted;
}

// The overrides go into a private copy of the settings, so the user's file is never written
// and the walk still reads its keys for every folder, as it does for the window. A file that
// cannot be read is not copied: the run then says why it cannot use it.
class RunSettings {
  public:
    RunSettings(const fs::path& file, const CliOptions& options) : path_(file) {
        const SettingsText text = read_settings_text(file);
        if (options.overrides.empty() || !text.problem.empty()) {
            return;
        }
        std::error_code ec;
        std::string folder = (fs::temp_directory_path(ec) / "trackfold-cli-XXXXXX").string();
        if (ec || ::mkdtemp(folder.data()) == nullptr) {
            failed_ = true;
            return;
        }
        temp_folder_ = folder;
        path_ = temp_folder_ / "settings.ini";
        std::ofstream(path_, std::ios::binary) << text.content.value_or("");
        for (const auto& [key, value] : options.overrides) {
            PutIniText(path_, settings_key::kSection, key, value);
            failed_ = failed_ || whole_ini_text(path_, settings_key::kSection, key) != value;
        }
    }
    ~RunSettings() {
        if (!temp_folder_.empty()) {
            std::error_code ec;
            fs::remove_all(temp_folder_, ec);
        }
    }
    RunSettings(const RunSettings&) = delete;
    RunSettings& operator=(const RunSettings&) = delete;

    const fs::path& path() const { return path_; }
    // The options could not be put into effect: the run must not go ahead without them.
    bool failed() const { return failed_; }

  private:
    fs::path path_;
    fs::path temp_folder_;
    bool failed_ = false;
};

int undo(const CliOptions& options) {
    const std::string output = with_one_separator(options.output);
    if (output.empty()) {
        return usage_error(cli_text(CliText::OutputEmpty));
    }
    UndoRequest request{output, options.run, options.preview ? DiskMode::preview : DiskMode::real};
    request.trust = options.trust_record ? RecordTrust::given : RecordTrust::checked;
    const UndoResult result = undo_run(
        request,
        [](const UndoStep& step) {
            const std::string line = undo_line(step);
            std::printf("%s\n", line.c_str());
        },
        [] { return g_stop_requested != 0; });
    if (!result.problem.empty() && result.run.empty()) {
        std::printf("%s\n", log_line(RunEnded{RunOutcome::NotStarted, result.problem}).c_str());
        return usage_error(result.problem);
    }
    if (result.cancelled || g_stop_requested != 0) {
        std::printf("%s\n", log_line(RunEnded{RunOutcome::Cancelled, {}}).c_str());
        return exit_status::kStopped;
    }
    const std::string last =
        result.problem.empty() ? log_line(RunEnded{RunOutcome::Complete, {}}) : result.problem;
    std::printf("%s\n", last.c_str());
    if (result.compaction.compacted) {
        std::printf("%s\n", compaction_line(result.compaction).c_str());
    }
    return result.whole && result.problem.empty() ? exit_status::kPlaced : exit_status::kFailed;
}

int compact(const CliOptions& options) {
    const std::string output = with_one_separator(options.output);
    if (output.empty()) {
        return usage_error(cli_text(CliText::OutputEmpty));
    }
    const CompactionResult result =
        compact_record(output, options.trust_record ? RecordTrust::given : RecordTrust::checked);
    std::printf("%s\n", compaction_line(result).c_str());
    return result.failed ? usage_error(result.problem) : exit_status::kPlaced;
}

int run(const CliOptions& options) {
    const std::string input = with_one_separator(options.input);
    const std::string output = with_one_separator(options.output);
    if (input.empty() || output.empty()) {
        return usage_error(cli_text(CliText::FoldersEmpty));
    }
    const fs::path settings_file = options.settings_file
                                       ? fs::path(*options.settings_file)
                                       : settings_places(AppDir(), "trackfold").settings_file;
    if (!options.settings_file) {
        write_first_start_defaults(settings_file);
    }
    const RunSettings settings(settings_file, options);
    if (settings.failed()) {
        return usage_error(cli_text(CliText::PrivateSettings));
    }

    TerminalRun window(options.log_file,
                       options.json ? TerminalRun::Output::Json : TerminalRun::Output::Lines,
                       ::isatty(STDERR_FILENO) != 0);
    CancelState = Idle;
    SortRequest request{input, output, settings.path(), options.settings_file.has_value(),
                        options.preview ? DiskMode::preview : DiskMode::real};
    sort_run(window, request);
    window.end_progress();
    std::fflush(stdout);
    if (!options.log_file) {
        return window.exit_status();
    }
    if (const std::string problem = window.log()->save(); !problem.empty()) {
        std::fprintf(stderr, "trackfold-cli: %s\n",
                     cli_text(CliText::LogNotWritten, {*options.log_file, problem}).c_str());
        return std::max(window.exit_status(), exit_status::kFailed);
    }
    return window.exit_status();
}

}  // namespace
}  // namespace trackfold

int main(int argc, char** argv) {
    using namespace trackfold;
    // From the first moment, a stop ends the run after the file in hand and with its line.
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A caller that blocked them (a script's trap, a service manager) still gets its stop.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
    // A file over the size limit is an error of that file, not the end of the process.
    std::signal(SIGXFSZ, SIG_IGN);
    use_environment_language();
    const ParsedOptions parsed = parse_cli_options({argv + 1, argv + argc});
    if (!parsed.options) {
        return usage_error(parsed.error);
    }
    if (parsed.options->help) {
        std::fputs(cli_usage(), stdout);
        return 0;
    }
    if (parsed.options->version) {
        std::printf("trackfold-cli %s\n", TRACKFOLD_VERSION);
        return 0;
    }
    if (parsed.options->compact_record) {
        return compact(*parsed.options);
    }
    return parsed.options->undo ? undo(*parsed.options) : run(*parsed.options);
}
