#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "engine/events/run_events.h"

namespace trackfold {

// How far a run is, as both front ends show it.
struct ProgressView {
    std::size_t done = 0;              // files taken so far
    std::optional<std::size_t> total;  // once the count is known
    std::optional<int> percent;        // with the total
    std::optional<long> seconds_left;  // once it can be estimated
    std::string folder;                // of the last file taken
};

// Fed by a run's events and its count; the clock is passed in, so the estimate does not
// depend on when it is asked for.
class RunProgress {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RunProgress(Clock::time_point start = Clock::now()) : start_(start) {}

    void feed(const RunEvent& event);
    void set_total(std::size_t total) { total_ = total; }
    // The files taken, as the run's counters tell it: ahead of the events a move holds back.
    void set_taken(std::size_t taken) { done_ = std::max(done_, taken); }
    ProgressView at(Clock::time_point now) const;

  private:
    Clock::time_point start_;
    std::size_t done_ = 0;
    std::optional<std::size_t> total_;
    std::string folder_;
};

// "1,234 of 30,000 files (4%), about 3 min left", or "1,234 files" without a total.
std::string progress_text(const ProgressView& view);

// "about 40 s left", "about 3 min left", "about 2 h 5 min left".
std::string time_left_text(long seconds);

}  // namespace trackfold
