#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace trackfold::bench {

struct SystemCalls {
    std::uintmax_t total = 0;
    std::vector<std::pair<std::string, std::uintmax_t>> by_call;  // the most made first
    std::string why_not;                                          // when nothing was counted
};

// Whether a program of that name is in one of PATH's folders.
bool on_path(const std::string& program);

// strace's summary table (-c): each call's count and the total.
SystemCalls parse_strace_summary(const std::string& table);

// Runs `command` under strace -f -c, its standard error into a file beside `summary`. Exit
// status 1 counts as done: the command line says so when it logged an error line, as for a
// file it cannot read. Throws when the command fails otherwise.
SystemCalls count_system_calls(const std::vector<std::string>& command,
                               const std::filesystem::path& summary);

}  // namespace trackfold::bench
