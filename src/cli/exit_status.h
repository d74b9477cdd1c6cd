#pragma once

namespace trackfold {

// What trackfold-cli exits with; scripts test these, so they never change.
namespace exit_status {
inline constexpr int kPlaced = 0;
inline constexpr int kFailed = 1;      // some file or folder failed, or the disk was full
inline constexpr int kNotStarted = 2;  // bad usage or settings: nothing was done
inline constexpr int kStopped = 130;   // stopped by a signal
}  // namespace exit_status

}  // namespace trackfold
