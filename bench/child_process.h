#pragma once

#include <string>
#include <vector>

namespace trackfold::bench {

struct ChildRun {
    double wall_seconds = 0;
    long peak_rss_kb = 0;  // the child's own high-water mark, from the kernel's accounting
    std::string output;    // what the child wrote on its standard output
};

// Runs a program (looked up in PATH) and waits for it; throws when it cannot be started or
// does not exit with 0. Its standard error passes through.
ChildRun run_child(const std::vector<std::string>& arguments);

}  // namespace trackfold::bench
