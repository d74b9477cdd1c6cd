#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/events/run_front_end.h"
#include "engine/lines/run_log.h"
#include "engine/run/run_progress.h"

namespace trackfold {

// Set by the SIGINT and SIGTERM handler; the walk stops after the file in hand.
extern volatile std::sig_atomic_t g_stop_requested;

// The walk's front end on a terminal: each event goes to standard output as it comes, as its
// log line or as JSON; a progress line on standard error when that is a terminal. A stop
// request (the signal handler's flag) becomes the cancel request the walk checks before each
// file, and is not asked about again.
class TerminalRun final : public RunFrontEnd {
  public:
    enum class Output { Lines, Json };
    // log_file: where the run's log goes, when it is asked for.
    TerminalRun(const std::optional<std::filesystem::path>& log_file, Output output,
                bool show_progress);

    void report(const RunEvent& event) override;
    void files_counted(std::size_t total) override { progress_.set_total(total); }
    void set_counters(const RunCounters& counters) override {
        progress_.set_taken(counters[Counter::ReadFile]);
    }
    void set_status(const std::string& file_name) override { file_in_hand_ = file_name; }
    bool ask_cancel() override { return true; }
    void pump_events() override;

    // The exit status the events call for.
    int exit_status() const;
    void end_progress();
    // The log file, when it is asked for.
    std::optional<RunLog>& log() { return log_; }

  private:
    using Clock = std::chrono::steady_clock;

    std::optional<RunLog> log_;
    bool json_;
    bool show_progress_;
    std::string file_in_hand_;
    bool failed_ = false;
    RunOutcome outcome_ = RunOutcome::Complete;
    Clock::time_point start_ = Clock::now();
    RunProgress progress_{start_};
    Clock::time_point last_progress_{};
    bool progress_shown_ = false;
};

}  // namespace trackfold
