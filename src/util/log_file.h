#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace trackfold {

// A log file written as its lines come (UTF-8, no byte-order mark, each line ended by CR LF)
// into a file no one sees, then put over the previous log by save(): a log of a million lines
// is never held in memory, and a full disk or a killed run leaves the previous log whole.
// Where the disk has unnamed files a killed run leaves nothing else either; elsewhere it may
// leave the "<log>.tmp-<pid>" it wrote.
class LogFileWriter {
  public:
    explicit LogFileWriter(std::filesystem::path path);
    ~LogFileWriter();
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    void add(std::string_view line);
    // Once, at the end. Why the log could not be written, with the system's reason, or ""
    // when it was.
    std::string save();

  private:
    void flush();
    void discard();

    std::filesystem::path path_;
    std::filesystem::path temp_;
    bool temp_named_ = false;
    int fd_ = -1;
    int error_ = 0;
    std::string buffer_;
};

// Replaces the file with `count` lines, fetched one at a time, as LogFileWriter writes them.
// Returns why it could not be written, with the system's reason, or "" when it was.
std::string WriteLogFile(const std::filesystem::path& path, std::size_t count,
                         const std::function<std::string(std::size_t)>& line);

}  // namespace trackfold
