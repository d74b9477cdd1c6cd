#pragma once

#include <optional>

#include "engine/record/record_line.h"

namespace trackfold {

// What undo finds for one file line of the run it undoes, looked at without following links.
struct UndoFacts {
    RecordAction action = RecordAction::Copied;  // Copied, Numbered, Replaced or AlreadyThere
    bool moved = false;                          // the run recorded that it removed the source
    bool refused = false;  // a path of the line leads outside the output or the run's input
    enum class Target { missing, file, other };
    Target target = Target::missing;
    // The very file the run wrote: its inode (where the disk keeps them steady), size and times
    // as recorded; for a moved file, which keeps its inode when renamed, all but its change time.
    bool target_as_recorded = false;
    enum class Source { missing, file, link, other };
    Source source = Source::missing;
    bool source_is_target = false;  // one file under two names
    // The recorded source itself, as it was: for a copy, not re-tagged since; for a move, one
    // that never went.
    bool source_as_recorded = false;
    std::optional<bool> same_bytes;  // the source's bytes are the target's; unknown until read
};

enum class UndoVerdict {
    nothing,              // bytes that were there before the run: they stay
    not_moved,            // the source never went: there is nothing to put back
    refused,              // the line names a place outside what the run may have touched
    cannot_undo,          // it replaced an earlier copy, which no longer exists
    gone,                 // the file is not there any more
    remove,               // the run's copy, and its source holds the same bytes
    move_back,            // moved: the file goes back where its source was
    restore,              // moved where its bytes were found: they are copied back
    kept_target_changed,  // the file changed since the run, or is another file
    kept_both_changed,    // so did its source: neither holds what the run copied
    kept_source_changed,  // its source no longer holds its bytes
    kept_only_copy,       // its source is gone: the only copy of the recording
    kept_source_link,     // its source is now a link, maybe to this very file
    kept_same_file,       // the source and the file are one file
    kept_place_taken,     // moved: another file is where its source was
    compare_bytes,        // ask again with same_bytes known
};

// What undo may do with one file: it removes only what it can prove the run made and what
// exists elsewhere too, and it moves back only into a free place.
UndoVerdict decide_undo(const UndoFacts& facts);

// Whether the outcome leaves the run undone for this file.
bool undone(UndoVerdict verdict, bool moved);

}  // namespace trackfold
