#include "engine/undo_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "engine/placement_record.h"
#include "engine/run_events.h"
#include "engine/target_writer.h"

namespace trackfold {

namespace {

struct RunsInRecord {
    std::vector<std::string> with_placements;  // in the order they started
    std::set<std::string> known;
    std::set<std::string> undone;
};

RunsInRecord runs_in(const std::string& record, std::error_code& ec) {
    RunsInRecord runs;
    ec = read_record(record, [&](const RecordLine& line, std::uint64_t) {
        if (line.action == RecordAction::Start) {
            runs.known.insert(line.run);
        } else if (line.action == RecordAction::Undo) {
            runs.undone.insert(line.target);
        } else if (wrote_target(line.action) &&
                   (runs.with_placements.empty() || runs.with_placements.back() != line.run)) {
            runs.with_placements.push_back(line.run);
        }
        return true;
    });
    return runs;
}

std::optional<std::string> run_to_undo(const RunsInRecord& runs,
                                       const std::optional<std::string>& asked,
                                       std::string& problem) {
    if (asked) {
        if (!runs.known.contains(*asked)) {
            problem = "no run " + *asked + " in the record";
        } else if (runs.undone.contains(*asked)) {
            problem = "run " + *asked + " was undone already";
        } else {
            return asked;
        }
        return std::nullopt;
    }
    for (auto it = runs.with_placements.rbegin(); it != runs.with_placements.rend(); ++it) {
        if (!runs.undone.contains(*it)) {
            return *it;
        }
    }
    problem = "no run left to undo";
    return std::nullopt;
}

// What the run did, in the order it did it.
struct RunLines {
    std::vector<RecordLine> files;
    std::vector<std::string> folders;
};

RunLines lines_of(const std::string& record, const std::string& run, std::error_code& ec) {
    RunLines lines;
    ec = read_record(record, [&](const RecordLine& line, std::uint64_t) {
        if (line.run == run && wrote_target(line.action)) {
            lines.files.push_back(line);
        } else if (line.run == run && line.action == RecordAction::Folder) {
            lines.folders.push_back(line.target);
        }
        return true;
    });
    return lines;
}

UndoAction judge_file(const RecordLine& line, const std::string& path) {
    if (line.action == RecordAction::Replaced) {
        return UndoAction::CannotUndo;
    }
    const StampResult now = stamp_at(AT_FDCWD, path);
    if (!now.stamp) {
        return now.error == std::errc::no_such_file_or_directory ? UndoAction::Gone
                                                                 : UndoAction::KeptError;
    }
    if (!S_ISREG(now.stamp->mode) || !untouched_since(*now.stamp, line.target_stamp)) {
        return UndoAction::KeptChanged;
    }
    if (!stamp_of_path(line.source).stamp) {
        return UndoAction::KeptOnlyCopy;
    }
    return same_content(line.source, path) ? UndoAction::Removed : UndoAction::KeptChanged;
}

// Whether the folder holds nothing but what is gone or going.
bool empties(const std::string& folder, const std::set<std::string>& going) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!going.contains(it->path().string())) {
            return false;
        }
    }
    return !ec;
}

}  // namespace

UndoResult UndoRun(const std::string& output, const std::optional<std::string>& run_id,
                   bool preview, const std::function<void(const UndoStep&)>& report) {
    UndoResult result;
    PlacementRecord record(output);
    std::error_code ec;
    const RunsInRecord runs = runs_in(record.path(), ec);
    if (ec) {
        result.problem = "cannot read the record " + record.path() + ": " + ec.message();
        return result;
    }
    const std::optional<std::string> run = run_to_undo(runs, run_id, result.problem);
    if (!run) {
        return result;
    }
    result.run = *run;
    const RunLines lines = lines_of(record.path(), *run, ec);
    if (!preview && (ec = record.begin(RecordAction::Undo, *run))) {
        result.problem = "cannot write the record " + record.path() + ": " + ec.message();
        return result;
    }
    result.whole = true;
    std::set<std::string> going;
    for (auto it = lines.files.rbegin(); it != lines.files.rend(); ++it) {
        UndoStep step{judge_file(*it, output + it->target), output + it->target, {}};
        if (step.action == UndoAction::Removed && !preview && ::unlink(step.path.c_str()) != 0) {
            step = {UndoAction::KeptError, step.path, {errno, std::generic_category()}};
        }
        if (step.action == UndoAction::Removed || step.action == UndoAction::Gone) {
            going.insert(step.path);
        } else {
            result.whole = false;
        }
        if (step.action == UndoAction::Removed && !preview) {
            RecordLine removed;
            removed.action = RecordAction::Removed;
            removed.target = it->target;
            record.append(std::move(removed));
        }
        report(step);
    }
    for (auto it = lines.folders.rbegin(); it != lines.folders.rend(); ++it) {
        const std::string folder = output + *it;
        if (empties(folder, going) && (preview || ::rmdir(folder.c_str()) == 0)) {
            going.insert(folder);
            report({UndoAction::FolderRemoved, folder + "/", {}});
        }
    }
    if (!preview && (ec = record.end(result.whole ? "complete" : "incomplete"))) {
        result.problem = "cannot write the record " + record.path() + ": " + ec.message();
    }
    return result;
}

std::string undo_line(const UndoStep& step) {
    switch (step.action) {
        case UndoAction::Removed:
            return "Removed: " + shown(step.path);
        case UndoAction::Gone:
            return "Gone: " + shown(step.path) + " ...Not there any more";
        case UndoAction::KeptChanged:
            return "Kept: " + shown(step.path) + " ...Changed since the run";
        case UndoAction::KeptOnlyCopy:
            return "Kept: " + shown(step.path) + " ...Its source is gone: this is the only copy";
        case UndoAction::KeptError:
            return "Kept: " + shown(step.path) + " ...Error (" + step.error.message() + ")";
        case UndoAction::CannotUndo:
            return "Cannot undo: " + shown(step.path) +
                   " ...It replaced an earlier copy, which no longer exists";
        case UndoAction::FolderRemoved:
            return "Removed folder: " + shown(step.path);
    }
    return {};
}

}  // namespace trackfold
