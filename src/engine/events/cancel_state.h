#pragma once

namespace trackfold {

enum CancelStateValue : int {
    Idle = 0,             // no cancel requested
    CancelRequested = 1,  // the progress window went away: ask before the next file
    Cancelled = 2,        // the user confirmed: every walk call returns at once
};

// Process-wide, touched only on the GUI thread: the progress window sets it, the walk reads it.
inline int CancelState = Idle;

}  // namespace trackfold
