#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "engine/record/placement_record.h"
#include "engine/record/record_line.h"

namespace trackfold {

// Which lines of the placement record nothing can ever need again. Lines that cannot be read
// are skipped by every reader, so they never reach this. Of the rest only these go: every
// line of a run that ended and that an undo took back wholly (an undo of it that ended
// "complete"), with the lines of each undo of it that ended; and the lines of a compaction
// that ended. Anything of a run that has not ended stays, be it going on or killed, and so
// does every line of a run not wholly undone, its moves' SourceRemoved lines among them.
class RecordCompaction {
  public:
    // First every readable line, in the order of the file.
    void learn(const RecordLine& line);
    // Then, after the last learn, whether each line stays.
    bool keeps(const RecordLine& line) const;
    // How many of the lines learnt stay.
    std::size_t lines_kept() const;
    std::size_t lines_learnt() const { return lines_; }

  private:
    struct Run {
        RecordAction kind = RecordAction::End;  // of its first line: Start, Undo or Compact
        int begins = 0;                         // more than one: no run of ours
        bool ended = false;
        bool complete = false;
        std::string undoes;  // an undo: the run it undoes
        std::size_t lines = 0;
    };
    bool keeps_run(const std::string& id) const;
    bool dead(const Run& run) const;
    bool wholly_undone(const std::string& id) const;

    std::unordered_map<std::string, Run> runs_;
    std::unordered_set<std::string> undone_;  // runs an undo that ended complete names
    std::size_t lines_ = 0;
};

// What a compaction did. The record is left as it was unless `compacted`.
struct CompactionResult {
    bool compacted = false;
    std::size_t lines_kept = 0;
    std::size_t lines_dropped = 0;
    std::uint64_t bytes_before = 0;
    std::uint64_t bytes_after = 0;
    std::string problem;  // why it was not compacted
    bool failed = false;  // by an error, rather than for want of lines to drop
};

// When a record held alone is worth the rewrite.
enum class CompactWhen {
    any_dead,     // as soon as one line can go
    mostly_dead,  // only when more than half of its lines can go
};

// Writes the lines of the record at the root of `output` (ending in the separator) that still
// hold to a temporary beside it, puts it on the disk, and renames it over the record. It holds
// the record alone meanwhile, as an undo does, and refuses a record that an undo would refuse.
CompactionResult compact_record(const std::string& output,
                                RecordTrust trust = RecordTrust::checked);

// What a compaction learns of a record before it decides, line by line in the order of the
// file: an undo learns it in the pass that opens the record.
struct RecordSurvey {
    RecordCompaction decision;
    std::size_t lines = 0;  // the readable lines learnt
    void learn(const RecordLine& line) {
        decision.learn(line);
        ++lines;
    }
};

// The same with a record opened for an undo and still held, whose lines up to where open()
// read it `survey` has learnt: only the lines appended since are read. The undo's own run
// names the temporary, so it must have ended already.
CompactionResult compact_held_record(PlacementRecord& record, CompactWhen when,
                                     RecordSurvey survey);

}  // namespace trackfold
