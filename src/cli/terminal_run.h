#pragma once

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "engine/run/run_progress.h"
#include "engine/run/run_window.h"

namespace trackfold {

// Set by the SIGINT and SIGTERM handler; the walk stops after the file in hand.
extern volatile std::sig_atomic_t g_stop_requested;

// The walk's window on a terminal: each event goes to standard output as it comes, as its log
// line or as JSON; a progress line on standard error when that is a terminal. A stop request
// (the signal handler's flag) becomes the cancel request the walk checks before each file.
class TerminalRun final : public RunWindow {
  public:
    TerminalRun(bool keep_lines, bool json, bool show_progress);

    void report(const RunEvent& event) override;
    std::string counter_text(Counter counter) const override;
    void set_counter_text(Counter counter, const std::string& text) override;
    void set_status(const std::string&) override {}
    void files_counted(std::size_t total) override { progress_.set_total(total); }
    void append_log(const std::string& line) override;
    void select_last_log() override {}
    void clear_log() override;
    std::size_t log_count() const override { return lines_.size(); }
    std::string log_line(std::size_t index) const override { return lines_.at(index); }
    bool ask_cancel() override { return true; }
    void pump_events() override;
    void set_run_buttons_enabled(bool) override {}
    void show_progress() override {}
    void unload_progress() override {}
    bool open_with_shell(const std::string&) override { return true; }
    void tell(const std::string&) override {}

    // The exit status the events call for.
    int exit_status() const;
    void end_progress();

  private:
    using Clock = std::chrono::steady_clock;

    bool keep_lines_;
    bool json_;
    bool show_progress_;
    std::string counters_[5] = {"0", "0", "0", "0", "0"};
    std::vector<std::string> lines_;
    bool failed_ = false;
    RunOutcome outcome_ = RunOutcome::Complete;
    Clock::time_point start_ = Clock::now();
    RunProgress progress_{start_};
    Clock::time_point last_progress_{};
    bool progress_shown_ = false;
};

}  // namespace trackfold
