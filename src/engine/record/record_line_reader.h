#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/record/record_line.h"

namespace trackfold {

// Reads lines of an open record again by where they start, a block at a time: the lines of one
// folder's files lie together in the record, so most come from the block read for the first,
// where reading each alone would cost a read of the disk per file.
class RecordLineReader {
  public:
    explicit RecordLineReader(int record_fd) : fd_(record_fd) {}

    // Nothing for a line that cannot be read, or that does not end within the longest a line
    // may be.
    std::optional<RecordLine> line_at(std::uint64_t offset);

  private:
    bool holds_line_at(std::uint64_t offset) const;

    int fd_;
    std::string block_;
    std::uint64_t block_offset_ = 0;
};

}  // namespace trackfold
