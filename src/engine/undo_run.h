#pragma once

#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace trackfold {

// What undoing a run did with one of its files or folders.
enum class UndoAction {
    Removed,         // the file the run made, still exactly as it made it
    Gone,            // the file is not there any more
    KeptChanged,     // changed since the run, or no longer the bytes of its source
    KeptOnlyCopy,    // its source is gone: this is the only copy of the recording
    KeptError,       // could not be removed
    CannotUndo,      // it replaced an earlier copy, which no longer exists
    FolderRemoved,   // a folder the run made, empty now
    MovedBack,       // a file the run moved, moved back to where its source was
    Restored,        // a source the run removed where its bytes were found: copied back
    KeptPlaceTaken,  // a file the run moved: something else is where its source was
};

struct UndoStep {
    UndoAction action;
    std::string path;  // the file or folder
    std::error_code error;
    std::string source{};  // MovedBack, Restored, KeptPlaceTaken: where the source was
};

struct UndoResult {
    std::string run;      // the run undone
    std::string problem;  // set: nothing was undone, for this reason
    bool whole = false;   // every file the run made was removed or is gone
};

// Undoes the run `run_id` recorded in the output folder, or the last run not undone yet that
// placed files: removes the files it made where each is still exactly as it made it and its
// source still holds the same bytes, then the folders it made that are left empty. A file it
// replaced cannot be given back. A move is undone by moving each file back where its source
// was, where that place is free and the file unchanged, and by copying back a source the move
// removed where its bytes were found. Each file and folder is told to `report`. The undo is
// itself recorded. With preview nothing is changed or recorded.
UndoResult UndoRun(const std::string& output, const std::optional<std::string>& run_id,
                   bool preview, const std::function<void(const UndoStep&)>& report);

// The log line of one step.
std::string undo_line(const UndoStep& step);

}  // namespace trackfold
