#include "engine/undo_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "engine/file_copy.h"
#include "engine/file_descriptor.h"
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
        } else if ((wrote_target(line.action) || line.action == RecordAction::SourceRemoved) &&
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
    std::set<std::string> sources_removed;  // by target
};

RunLines lines_of(const std::string& record, const std::string& run, std::error_code& ec) {
    RunLines lines;
    ec = read_record(record, [&](const RecordLine& line, std::uint64_t) {
        if (line.run != run) {
            return true;
        }
        if (is_placement(line.action)) {
            lines.files.push_back(line);
        } else if (line.action == RecordAction::Folder) {
            lines.folders.push_back(line.target);
        } else if (line.action == RecordAction::SourceRemoved) {
            lines.sources_removed.insert(line.target);
        }
        return true;
    });
    return lines;
}

std::error_code last_error() {
    return {errno, std::generic_category()};
}

// Copies the file at `from` to `to`, whole and on the disk before it gets its name, with its
// times, and checks the copy's bytes.
std::error_code copy_back(const std::string& from, const std::string& to, const std::string& temp) {
    const FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    OpenSource source{in.get(), {}};
    if (in.get() < 0 || ::fstat(in.get(), &source.info) != 0) {
        return last_error();
    }
    const std::string folder = to.substr(0, to.rfind('/') + 1);
    const FileDescriptor folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder_fd.get() < 0) {
        return last_error();
    }
    const std::string name = to.substr(folder.size());
    CopyOutcome outcome = copy_to_new(source, folder_fd.get(), name, "", true, true);
    if (outcome.error && outcome.error != std::errc::file_exists) {
        outcome = copy_to_new(source, folder_fd.get(), name, temp, false, true);
    }
    if (!outcome.error && !same_content(from, to)) {
        ::unlinkat(folder_fd.get(), name.c_str(), 0);
        return std::make_error_code(std::errc::io_error);
    }
    return outcome.error;
}

// Puts a moved file back where its source was, or copies the source's bytes back there.
UndoStep undo_move(const RecordLine& line, const std::string& output, bool preview,
                   const std::string& temp) {
    const std::string target = output + line.target;
    UndoStep step{UndoAction::Gone, target, {}, line.source};
    const StampResult now = stamp_at(AT_FDCWD, target);
    if (!now.stamp) {
        step.action = now.error == std::errc::no_such_file_or_directory ? UndoAction::Gone
                                                                        : UndoAction::KeptError;
        step.error = now.error;
        return step;
    }
    if (!S_ISREG(now.stamp->mode) || !untouched_since(*now.stamp, line.target_stamp)) {
        step.action = UndoAction::KeptChanged;
        return step;
    }
    struct stat there {};
    if (::lstat(line.source.c_str(), &there) == 0) {
        step.action = UndoAction::KeptPlaceTaken;
        return step;
    }
    // A move that made the file takes it back; one that found the bytes there leaves them.
    const bool take_back =
        line.action == RecordAction::Copied || line.action == RecordAction::Numbered;
    step.action = take_back ? UndoAction::MovedBack : UndoAction::Restored;
    if (preview) {
        return step;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(line.source).parent_path(), ec);
    int error = ec ? ec.value() : EXDEV;
    if (!ec && take_back) {
        error = rename_no_replace(AT_FDCWD, target, AT_FDCWD, line.source);
    }
    if (!ec && error == EXDEV) {
        ec = copy_back(target, line.source, temp);
        if (!ec && take_back && ::unlink(target.c_str()) != 0) {
            ec = last_error();
        }
    } else if (error != 0) {
        ec.assign(error, std::generic_category());
    }
    if (ec) {
        step.action = UndoAction::KeptError;
        step.error = ec;
        return step;
    }
    // A disk with coarser times kept only part of the source's: the record has all of it.
    const std::int64_t mtime = line.source_stamp.mtime_ns;
    const timespec times[2] = {{0, UTIME_OMIT}, {mtime / 1000000000, mtime % 1000000000}};
    ::utimensat(AT_FDCWD, line.source.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return step;
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

void note_undone(PlacementRecord& record, RecordLine line, const UndoStep& step) {
    if (step.action == UndoAction::Removed || step.action == UndoAction::MovedBack) {
        line.action = RecordAction::Removed;
        record.append(line);
    }
    if (step.action == UndoAction::MovedBack || step.action == UndoAction::Restored) {
        line.action = RecordAction::Restored;
        record.append(line);
    }
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
        const bool moved = lines.sources_removed.contains(it->target);
        if (!moved && !wrote_target(it->action)) {
            continue;  // bytes that were there already, and stay
        }
        UndoStep step =
            moved ? undo_move(*it, output, preview, record.temp_prefix() + "undo")
                  : UndoStep{judge_file(*it, output + it->target), output + it->target, {}};
        if (step.action == UndoAction::Removed && !preview && ::unlink(step.path.c_str()) != 0) {
            step = {UndoAction::KeptError, step.path, {errno, std::generic_category()}};
        }
        const bool gone = step.action == UndoAction::Removed ||
                          step.action == UndoAction::MovedBack ||
                          (step.action == UndoAction::Gone && !moved);
        if (gone) {
            going.insert(step.path);
        } else if (step.action != UndoAction::Restored) {
            result.whole = false;
        }
        if (!preview) {
            note_undone(record, *it, step);
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
        case UndoAction::MovedBack:
            return "Moved back: " + shown(step.path) + " to " + shown(step.source);
        case UndoAction::Restored:
            return "Restored: " + shown(step.source) + " from " + shown(step.path);
        case UndoAction::KeptPlaceTaken:
            return "Kept: " + shown(step.path) + " ...Another file is where its source was (" +
                   shown(step.source) + ")";
    }
    return {};
}

}  // namespace trackfold
