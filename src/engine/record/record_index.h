#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/record/record_line.h"

namespace trackfold {

// What the placement record says of each target, in a few dozen bytes a target, so that a
// million placements cost tens of megabytes rather than hundreds. Only what still holds is
// kept: the last copy written to a target, and the sources found identical to it since, as
// long as the target was not seen changed in between. Paths and stamps are kept as hashes;
// a match that would let a file be replaced is confirmed against the line itself.
class RecordIndex {
  public:
    // Lines in the order of the file; `offset` is where the line starts.
    void add(const RecordLine& line, std::uint64_t offset);
    // Only what the line says of its run's start and end: all that an undo asks of the index.
    void add_run(const RecordLine& line);
    // Room for the entries of this many lines, the most that add will make.
    void reserve(std::size_t lines) { entries_.reserve(lines); }
    // After the last add: sorts and keeps only what still holds.
    void finish();

    struct Found {
        std::uint64_t offset;  // of the line that says it
        bool unchanged;        // the source is as it was then
        bool sole_source;      // no other source is known to be in this target
        RecordAction action;   // what that line did
        // What the settings lines of that line's run say (kSettingsUnknown, kSettingsMixed or
        // a fingerprint).
        std::uint64_t run_settings;
    };
    // The record's word that `target` (relative to the output folder), found now as
    // `target_now`, is still as it was written or found for the source file now at
    // `source_path`. Nothing when the record does not say so.
    std::optional<Found> find(std::string_view target, std::string_view source_path,
                              const FileStamp& source_now, const FileStamp& target_now) const;

    // Where the record's live word puts the source file at `source_path`: the offset of the
    // line that placed or found it in the one target whose entry still names it. Nothing when
    // no target does, or more than one; the line itself, read again, tells whether it is this
    // source's, as only a hash of the path is kept.
    std::optional<std::uint64_t> source_line(std::string_view source_path) const;

    struct Run {
        long pid = 0;
        bool ended = false;
        // What its settings lines say: kSettingsUnknown, kSettingsMixed or their fingerprint.
        std::uint64_t settings = 0;
        std::uint16_t number = 0;  // 0: none
    };
    const Run* run(const std::string& id) const;

    std::size_t size() const { return entries_.size(); }
    // What the index holds in memory after finish(): the entries it made, not its reservation.
    std::size_t memory_bytes() const;

  private:
    void index_sources();
    std::uint64_t packed(const RecordLine& line, std::uint64_t offset);
    std::uint16_t run_number(const std::string& id);
    std::uint64_t settings_of(std::uint64_t offset_action) const;

    struct Entry {
        std::uint64_t key;             // the target, its letter case folded
        std::uint64_t source_path;     // hash
        std::uint64_t source_object;   // hash of the inode and birth time
        std::uint64_t source_content;  // hash of the stamps that say it is unchanged
        std::uint64_t target_stamp;    // hash
        std::uint64_t offset_action;   // offset << 8 | action
    };
    std::vector<Entry> entries_;
    // entries_ in the order of the upper half of their source path's hash: 4 bytes an entry.
    std::vector<std::uint32_t> by_source_;
    std::size_t made_ = 0;  // entries that were in memory, kept or dropped by finish()
    std::unordered_map<std::string, Run> runs_;
    std::vector<std::uint64_t> run_settings_;  // each numbered run's settings, by number - 1
};

// What a run's settings lines say of the settings its placements were decided with, beside
// the fingerprint of the one text they all give.
inline constexpr std::uint64_t kSettingsUnknown = 0;  // none: a run of an older version
inline constexpr std::uint64_t kSettingsMixed = 1;    // two or more different texts
// Of a settings line's text: never one of the two above.
std::uint64_t settings_fingerprint(std::string_view text);

// The key of a target path relative to the output folder: letter case does not count.
std::uint64_t record_target_key(std::string_view target);

}  // namespace trackfold
