#pragma once

#include <QElapsedTimer>

namespace trackfold {

// When a walk running on the window's thread lets the window handle its pending events.
// Handling them before every file would cost more than copying a small file: they wait up to
// a few milliseconds, which keeps a click within a frame.
class PumpClock {
  public:
    static constexpr int kIntervalMs = 15;

    // Tests make it 0, so that every point where the walk lets the window handle events does.
    void set_interval(int milliseconds) { interval_ms_ = milliseconds; }
    int interval() const { return interval_ms_; }
    // A new walk handles the events at its first chance.
    void restart() { last_.invalidate(); }

    // Whether due() would be true now, without starting the wait again.
    bool due_now() const {
        return interval_ms_ <= 0 || !last_.isValid() || last_.hasExpired(interval_ms_);
    }

    // True when the events have waited long enough; the wait then begins again.
    bool due() {
        if (interval_ms_ > 0 && last_.isValid() && !last_.hasExpired(interval_ms_)) {
            return false;
        }
        last_.start();
        return true;
    }

  private:
    int interval_ms_ = kIntervalMs;
    QElapsedTimer last_;
};

}  // namespace trackfold
