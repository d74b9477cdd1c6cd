#include "system_calls.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "child_process.h"

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

std::string file_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool all_digits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

bool on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path == nullptr ? "" : path);
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

SystemCalls parse_strace_summary(const std::string& table) {
    // "% time  seconds  usecs/call  calls  [errors]  syscall": the errors column may be blank.
    SystemCalls calls;
    std::istringstream lines(table);
    bool total_seen = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(fields), {}};
        if (words.size() < 5 || !all_digits(words[3])) {
            continue;
        }
        const std::uintmax_t count = std::stoull(words[3]);
        if (words.back() == "total") {
            calls.total = count;
            total_seen = true;
        } else {
            calls.by_call.emplace_back(words.back(), count);
        }
    }
    std::stable_sort(calls.by_call.begin(), calls.by_call.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (!total_seen) {
        calls.why_not = "strace wrote no summary";
    }
    return calls;
}

SystemCalls count_system_calls(const std::vector<std::string>& command, const fs::path& summary) {
    const fs::path errors = summary.string() + ".stderr";
    std::vector<std::string> arguments{
        "sh",
        "-c",
        "\"$@\" 2>\"$0\"; s=$?; [ $s -le 1 ] || { cat \"$0\" >&2; exit $s; }",
        errors.string(),
        "strace",
        "-f",
        "-c",
        "-o",
        summary.string(),
        "--"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    run_child(arguments);
    SystemCalls calls = parse_strace_summary(file_text(summary));
    if (!calls.why_not.empty()) {
        const std::string said = file_text(errors);
        calls.why_not += said.empty() ? "" : ": " + said.substr(0, said.find('\n'));
    }
    return calls;
}

}  // namespace trackfold::bench
