#pragma once

#include <cstdint>
#include <optional>

namespace trackfold {

// Everything the decision at one candidate target name rests on, found out by the writer.
struct TargetFacts {
    enum class Entry {
        none,           // nothing has the name
        placed_by_run,  // this run put a file there
        source_itself,  // the source lies in its own place, or a link there leads to it
        file,           // a regular file of someone's
        other,          // a folder, a link elsewhere, a FIFO...: never written over
    };
    Entry entry = Entry::none;
    bool same_size = false;  // the file there has the source's size
    // The record's word that the file there is this source's own placement, untouched since,
    // and the source unchanged since.
    bool record_says_unchanged = false;
    bool record_line_already_there = false;  // ... and that placement found the bytes there
    bool same_time = false;  // the file there has the source's time, as finely as the disk keeps
    // The record knows no other source placed in this target ...
    bool record_names_sole_source = false;
    std::uint64_t record_offset = 0;  // where that line starts
    // A replacement may happen in this folder: it lies outside the input, its disk shows any
    // change to a file in its times, and the record was written only by the user.
    bool may_replace_here = false;
    // ... and its line, read again, says the file there is this source's own copy: unknown
    // until read.
    std::optional<bool> record_line_confirms;
    std::optional<bool> same_bytes;  // unknown until compared
};

enum class TargetVerdict {
    write_new,       // the name is free: copy there
    in_place,        // the source itself is there: nothing to write, and never a source to remove
    skip,            // the source is there already, and the record knows it: nothing to write
    already_there,   // the source's bytes are there: record it, write nothing
    replace,         // the source's own earlier copy: a whole new copy replaces it
    next_name,       // someone else's file: try the next numbered name
    compare_bytes,   // ask again with same_bytes known
    confirm_record,  // ask again with record_line_confirms known
};

// What to do at one name. Only the record's confirmed word lets a file be replaced; anything
// else there is kept, and it counts as the source only when its bytes are the source's.
TargetVerdict decide_target(const TargetFacts& facts);

// Everything the removal of a moved file's source rests on, right before it would go.
struct RemovalFacts {
    bool copy_on_disk = false;             // the target's disk was flushed
    bool line_on_disk = false;             // the record's word that the source goes is on the disk
    bool stamps_unchanged = false;         // size and times as when its bytes were compared
    bool times_show_changes = false;       // its disk's times show every edit (DiskTraits)
    std::optional<bool> bytes_still_same;  // compared with the target once more, where asked
};

// A source goes only while it is provably the bytes placed at its target, and the record
// already says it goes.
bool may_remove_source(const RemovalFacts& facts);

}  // namespace trackfold
