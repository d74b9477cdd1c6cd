#include "cli/terminal_run.h"

#include <csignal>
#include <cstdio>

#include "engine/cancel_state.h"

namespace trackfold {

volatile std::sig_atomic_t g_stop_requested = 0;

TerminalRun::TerminalRun(bool keep_lines, bool show_progress)
    : keep_lines_(keep_lines), show_progress_(show_progress) {}

std::string TerminalRun::counter_text(Counter counter) const {
    return counters_[static_cast<int>(counter)];
}

void TerminalRun::set_counter_text(Counter counter, const std::string& text) {
    counters_[static_cast<int>(counter)] = text;
}

void TerminalRun::append_log(const std::string& line) {
    if (line.starts_with("File: ") || line.starts_with("Folder: ")) {
        error_logged_ = error_logged_ || line.find(" ...Error") != std::string::npos;
    }
    end_progress();
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (keep_lines_) {
        lines_.push_back(line);
    }
    // The tab-separated fields of a copied file's line: the third is its source.
    if (const std::size_t tab = line.find('\t'); tab != std::string::npos) {
        const std::size_t second = line.find('\t', tab + 1);
        const std::size_t third = line.find('\t', second + 1);
        const std::string source = line.substr(second + 1, third - second - 1);
        folder_ = source.substr(0, source.rfind('/') + 1);
    }
}

void TerminalRun::clear_log() {
    lines_.clear();
}

void TerminalRun::pump_events() {
    if (g_stop_requested != 0 && CancelState == Idle) {
        CancelState = CancelRequested;
    }
    if (!show_progress_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - last_progress_ < std::chrono::milliseconds(200)) {
        return;
    }
    std::fflush(stdout);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double read = std::stod(counters_[0]);
    std::fprintf(stderr, "\r\033[K%s files read, %.0f files/s, %s", counters_[0].c_str(),
                 seconds > 0 ? read / seconds : 0.0, folder_.c_str());
    std::fflush(stderr);
    last_progress_ = now;
    progress_shown_ = true;
}

void TerminalRun::end_progress() {
    if (progress_shown_) {
        std::fputs("\r\033[K", stderr);
        progress_shown_ = false;
    }
}

}  // namespace trackfold
