#pragma once

#include <functional>
#include <optional>
#include <string>
#include <system_error>

#include "engine/fsio/disk.h"
#include "engine/record/placement_record.h"
#include "engine/record/record_compaction.h"

namespace trackfold {

// What undoing a run did with one of its files or folders.
enum class UndoAction {
    Removed,            // the file the run made, still exactly as it made it
    Gone,               // the file is not there any more
    KeptChanged,        // changed since the run, or another file under its name
    KeptBothChanged,    // changed since the run, and so did its source
    KeptSourceChanged,  // its source no longer holds its bytes
    KeptOnlyCopy,       // its source is gone: this is the only copy of the recording
    KeptSourceLink,     // its source is now a link, maybe to this very file
    KeptSameFile,       // its source is this very file under another name
    KeptError,          // could not be removed
    CannotUndo,         // it replaced an earlier copy, which no longer exists
    Refused,            // the record names a place outside the output or the run's input
    FolderRemoved,      // a folder the run made, empty now
    MovedBack,          // a file the run moved, moved back to where its source was
    Restored,           // a source the run removed where its bytes were found: copied back
    KeptPlaceTaken,     // a file the run moved: something else is where its source was
};

struct UndoStep {
    UndoAction action;
    std::string path;  // the file or folder
    std::error_code error;
    std::string source{};  // MovedBack, Restored, KeptPlaceTaken, Refused: where the source was
};

struct UndoRequest {
    std::string output;                // ending in the separator
    std::optional<std::string> run{};  // the run to undo; none: the last one not undone
    DiskMode mode = DiskMode::real;    // preview: change nothing, record nothing, only tell
    RecordTrust trust = RecordTrust::checked;
};

struct UndoResult {
    std::string run;                // the run undone
    std::string problem;            // set: nothing was undone, for this reason
    bool whole = false;             // every file the run made was removed or is gone
    bool cancelled = false;         // stopped before the next file, when asked
    CompactionResult compaction{};  // of the record, after an undo that ended complete
};

// Undoes the run asked for, or the last run that placed files and is not wholly undone yet:
// one that an undo left part done (killed, or with files kept) comes first. It removes the
// files the run made where each is still exactly as it made it and its source still holds the
// same bytes, then the folders it made that are left empty. A file it replaced cannot be given
// back. A move is undone by moving each file back where its source was, only below the input
// folder the run recorded and only where that place is free, and by copying back a source the
// move removed where its bytes were found. Nothing outside the output folder is changed but
// those places, no link is followed, and nothing runs while a run into the output is alive.
// Each file and folder is told to `report`; `stop` is asked before each file.
// The run undo_run would take back, in `run`, or why there is none; the record is only read,
// and none of the run's lines are held.
UndoResult chosen_run(const UndoRequest& request);

UndoResult undo_run(const UndoRequest& request, const std::function<void(const UndoStep&)>& report,
                    const std::function<bool()>& stop = {});

}  // namespace trackfold
