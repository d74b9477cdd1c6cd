// The placement record's lines: any bytes a damaged or hand-edited record holds are read
// without harm, a line that reads is written back the same, and any two paths survive being
// written and read back byte for byte, on one line. Input: the bytes of one line; the same
// bytes, split at the first 0x01, are the source and target paths of a placement.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/record/record_line.h"
#include "fuzz_support.h"

using trackfold::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto line = trackfold::parse_record_line(text)) {
        const std::string again = trackfold::format_record_line(*line);
        const auto reread = trackfold::parse_record_line(again);
        check(reread && trackfold::format_record_line(*reread) == again,
              "a line that reads is written back the same");
    }

    trackfold::RecordLine placed;
    placed.run = "0123456789ab";
    placed.time = "2026-12-08T17:31:32Z";
    placed.action =
        size % 2 == 0 ? trackfold::RecordAction::Copied : trackfold::RecordAction::AlreadyThere;
    const std::size_t split = text.find('\x01');
    placed.source = std::string(text.substr(0, split));
    placed.target = split == std::string_view::npos ? "" : std::string(text.substr(split + 1));
    placed.source_stamp.size = static_cast<std::int64_t>(size);
    placed.source_stamp.mtime_ns = -static_cast<std::int64_t>(size) * 999999937;
    placed.target_stamp.ctime_ns = static_cast<std::int64_t>(size) * 1000000007;
    const std::string written = trackfold::format_record_line(placed);
    check(written.find('\n') == std::string::npos && written.find('\r') == std::string::npos,
          "a record line holds no line break");
    const auto read = trackfold::parse_record_line(written);
    check(read && read->source == placed.source && read->target == placed.target &&
              read->source_stamp.mtime_ns == placed.source_stamp.mtime_ns &&
              read->target_stamp.ctime_ns == placed.target_stamp.ctime_ns,
          "paths and times are read back as written");
    return 0;
}
