#include "engine/record/record_line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace trackfold {

namespace {

// Longer than the longest line the record's reader takes, with its line break.
constexpr std::size_t kBlock = (1 << 16) + 2;

}  // namespace

bool RecordLineReader::holds_line_at(std::uint64_t offset) const {
    return offset >= block_offset_ && offset - block_offset_ < block_.size() &&
           block_.find('\n', offset - block_offset_) != std::string::npos;
}

std::optional<RecordLine> RecordLineReader::line_at(std::uint64_t offset) {
    if (!holds_line_at(offset)) {
        block_.resize(kBlock);
        ssize_t got = -1;
        do {
            got = ::pread(fd_, block_.data(), block_.size(), static_cast<off_t>(offset));
        } while (got < 0 && errno == EINTR);
        block_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        block_offset_ = offset;
        if (!holds_line_at(offset)) {
            return std::nullopt;
        }
    }
    const std::size_t start = offset - block_offset_;
    const std::string_view text(block_.data() + start, block_.find('\n', start) - start);
    return parse_record_line(text);
}

}  // namespace trackfold
