#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trackfold {

struct CliOptions {
    std::string input;
    std::string output;
    std::optional<std::string> settings_file;
    std::optional<std::string> log_file;
    // Settings keys ([SYSTEM]) that this run uses instead of the file's.
    std::vector<std::pair<std::string, std::string>> overrides;
    bool preview = false;
    bool json = false;  // the events as JSON Lines instead of the log lines
    // Undo a run recorded in `output` instead of sorting: the last one, or `run`.
    bool undo = false;
    std::optional<std::string> run;
    // Rewrite the record in `output` with only the lines that still hold, instead of sorting.
    bool compact_record = false;
    // With --undo or --compact-record: take the record as it is, though others may have
    // written it.
    bool trust_record = false;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<CliOptions> options;
    std::string error;  // one line, when options is empty
};

ParsedOptions parse_cli_options(const std::vector<std::string>& arguments);

extern const char* const kCliUsage;

}  // namespace trackfold
