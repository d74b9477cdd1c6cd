#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace trackfold::bench {

// How the benchmark calls itself to run one contender in a process of its own, so that the
// peak memory it measures is that contender's alone.
inline constexpr const char* kContenderFlag = "--contender";

struct ContenderResult {
    double seconds = 0;  // the timed part only: no process start, no window set-up
    std::size_t error_lines = 0;
    // Through the window: seconds per file over the first and over the last tenth of the files.
    double first_tenth_per_file = 0;
    double last_tenth_per_file = 0;
};

ContenderResult parse_contender_output(const std::string& output);

// The child side: `arguments` are what followed kContenderFlag. Returns the exit status.
int run_contender(const std::vector<std::string>& arguments);

}  // namespace trackfold::bench
