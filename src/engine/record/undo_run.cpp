#include "engine/record/undo_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <set>
#include <vector>

#include "engine/fsio/disk_traits.h"
#include "engine/fsio/file_copy.h"
#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path_inside.h"
#include "engine/fsio/same_content.h"
#include "engine/record/undo_decision.h"

namespace trackfold {

namespace {

// What an undo learns of every run in its one pass over the record: only the places of each
// run's lines, as a record may hold millions of them; the run it takes back is read again.
struct RunsInRecord {
    std::vector<std::string> with_placements;      // in the order they started
    std::map<std::string, std::string> inputs;     // run -> its input folder's real path
    std::map<std::string, std::string> undone_by;  // undo run -> the run it undoes
    std::set<std::string> ended_complete;
    // run -> where its files, folders and removed sources are told
    std::map<std::string, std::vector<std::uint64_t>> lines;

    void note(const RecordLine& line, std::uint64_t offset);
    // Runs some undo took back wholly.
    std::set<std::string> undone() const {
        std::set<std::string> runs;
        for (const auto& [undo, run] : undone_by) {
            if (ended_complete.contains(undo)) {
                runs.insert(run);
            }
        }
        return runs;
    }
};

void RunsInRecord::note(const RecordLine& line, std::uint64_t offset) {
    if (line.action == RecordAction::Start) {
        inputs[line.run] = line.source;
    } else if (line.action == RecordAction::Undo) {
        undone_by[line.run] = line.target;
    } else if (line.action == RecordAction::End) {
        if (line.target == "complete") {
            ended_complete.insert(line.run);
        }
    }
    if ((wrote_target(line.action) || line.action == RecordAction::SourceRemoved) &&
        (with_placements.empty() || with_placements.back() != line.run)) {
        with_placements.push_back(line.run);
    }
    if (is_placement(line.action) || line.action == RecordAction::Folder ||
        line.action == RecordAction::SourceRemoved) {
        lines[line.run].push_back(offset);
    }
}

std::optional<std::string> run_to_undo(const RunsInRecord& runs,
                                       const std::optional<std::string>& asked,
                                       std::string& problem) {
    const std::set<std::string> undone = runs.undone();
    if (asked) {
        if (!runs.inputs.contains(*asked)) {
            problem = "no run " + *asked + " in the record";
        } else if (undone.contains(*asked)) {
            problem = "run " + *asked + " was undone already";
        } else {
            return asked;
        }
        return std::nullopt;
    }
    // A run an undo left part done comes before any older one.
    for (auto it = runs.with_placements.rbegin(); it != runs.with_placements.rend(); ++it) {
        if (!undone.contains(*it)) {
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
    std::error_code error;
};

RunLines lines_of(const PlacementRecord& record, const RunsInRecord& runs, const std::string& run) {
    RunLines lines;
    const auto offsets = runs.lines.find(run);
    if (offsets == runs.lines.end()) {
        return lines;
    }
    lines.error = record.for_each_at(offsets->second, [&](const RecordLine& line, std::uint64_t) {
        if (line.run != run) {
            return;  // the record changed since it was read
        }
        if (is_placement(line.action)) {
            lines.files.push_back(line);
        } else if (line.action == RecordAction::Folder) {
            lines.folders.push_back(line.target);
        } else if (line.action == RecordAction::SourceRemoved) {
            lines.sources_removed.insert(line.target);
        }
    });
    return lines;
}

UndoFacts::Target target_kind(const struct stat& info) {
    return S_ISREG(info.st_mode) ? UndoFacts::Target::file : UndoFacts::Target::other;
}

UndoFacts::Source source_kind(const struct stat& info) {
    return S_ISREG(info.st_mode)   ? UndoFacts::Source::file
           : S_ISLNK(info.st_mode) ? UndoFacts::Source::link
                                   : UndoFacts::Source::other;
}

std::int64_t ns(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// What one undo works in: the output folder, the input folder of the run it undoes, and the
// record, all open.
class Undoer {
  public:
    Undoer(const UndoRequest& request, PlacementRecord& record, const std::string& input,
           Disk& disk)
        : request_(request), record_(record), input_(input), disk_(disk) {
        output_fd_ =
            FileDescriptor(::open(request.output.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        steady_inodes_ = times_show_changes(request.output);
    }

    bool ready() const { return output_fd_.get() >= 0; }
    struct FileUndone {
        UndoVerdict verdict;
        std::optional<UndoStep> step;  // nothing to tell where nothing was to be done
    };
    FileUndone undo_file(const RecordLine& line, bool moved);
    void remove_folders(const std::vector<std::string>& folders, std::set<std::string>& going,
                        const std::function<void(const UndoStep&)>& report);

  private:
    struct Place {
        Beneath at;
        struct stat info {};
        bool there = false;
    };
    Place look(int root_fd, const std::string& relative, MissingFolders missing) const;
    int input_fd();
    void sweep(const Place& place, const std::string& folder);
    bool same_bytes(const Place& a, const Place& b) const;
    std::error_code put_back(const RecordLine& line, const Place& target,
                             const std::string& source_below, CarryBack::Way way);
    // `source_below`: where a moved file's source was, below the run's input.
    UndoStep execute(UndoVerdict verdict, const RecordLine& line, Place& target,
                     const std::string& source_below);

    const UndoRequest& request_;
    PlacementRecord& record_;
    std::string input_;
    Disk& disk_;
    FileDescriptor output_fd_{-1};
    FileDescriptor input_fd_{-1};
    bool input_opened_ = false;
    bool steady_inodes_ = false;
    std::set<std::string> swept_;
};

Undoer::Place Undoer::look(int root_fd, const std::string& relative, MissingFolders missing) const {
    Place place{open_beneath(root_fd, relative, missing)};
    if (!place.at.error) {
        place.there = ::fstatat(place.at.folder.get(), place.at.name.c_str(), &place.info,
                                AT_SYMLINK_NOFOLLOW) == 0;
    } else if (place.at.error == std::errc::no_such_file_or_directory) {
        place.at.error.clear();
    }
    return place;
}

int Undoer::input_fd() {
    if (!input_opened_) {
        input_opened_ = true;
        input_fd_ = open_folder_nofollow(input_).folder;
    }
    return input_fd_.get();
}

// Temporaries that runs of this output left behind: no run is alive while an undo is.
void Undoer::sweep(const Place& place, const std::string& folder) {
    if (place.at.folder.get() >= 0 && swept_.insert(folder).second) {
        record_.sweep_stale_temps(place.at.folder.get(), disk_);
    }
}

bool Undoer::same_bytes(const Place& a, const Place& b) const {
    const FileDescriptor fa(::openat(a.at.folder.get(), a.at.name.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const FileDescriptor fb(::openat(b.at.folder.get(), b.at.name.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return fa.get() >= 0 && fb.get() >= 0 && same_content_of(fa.get(), fb.get());
}

// The source's folders are made again where the move emptied them away.
std::error_code Undoer::put_back(const RecordLine& line, const Place& target,
                                 const std::string& source_below, CarryBack::Way way) {
    if (input_fd() < 0) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return disk_.carry_back({target.at.folder.get(), target.at.name, input_fd(), source_below, way,
                             record_.temp_prefix() + "1.part", line.source_stamp.mtime_ns});
}

Undoer::FileUndone Undoer::undo_file(const RecordLine& line, bool moved) {
    UndoFacts facts;
    facts.action = line.action;
    facts.moved = moved;
    Place target = look(output_fd_.get(), line.target, MissingFolders::refuse);
    const std::optional<std::string> source_below =
        moved ? relative_below(line.source, input_) : std::optional<std::string>(line.source);
    facts.refused = target.at.error || !source_below || (moved && input_fd() < 0);
    Place source;
    if (!facts.refused) {
        sweep(target, parent_folder(line.target));
        if (moved) {
            source = look(input_fd(), *source_below, MissingFolders::refuse);
            facts.refused = static_cast<bool>(source.at.error);
        } else if (line.source.starts_with('/')) {
            // Only read, never changed: found where the run found it, its last part unfollowed.
            source.at = Beneath{FileDescriptor(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
                                line.source.substr(1)};
            source.there = ::fstatat(source.at.folder.get(), source.at.name.c_str(), &source.info,
                                     AT_SYMLINK_NOFOLLOW) == 0;
        }
    }
    if (target.there) {
        const struct stat& t = target.info;
        const FileStamp& r = line.target_stamp;
        facts.target = target_kind(t);
        const bool same_inode = !steady_inodes_ || t.st_ino == r.inode;
        const bool size_and_time = t.st_size == r.size && ns(t.st_mtim) == r.mtime_ns;
        facts.target_as_recorded =
            same_inode && size_and_time && (moved || ns(t.st_ctim) == r.ctime_ns);
    }
    if (source.there) {
        const struct stat& s = source.info;
        facts.source = source_kind(s);
        facts.source_is_target =
            target.there && s.st_dev == target.info.st_dev && s.st_ino == target.info.st_ino;
        facts.source_as_recorded = facts.source == UndoFacts::Source::file &&
                                   s.st_size == line.source_stamp.size &&
                                   ns(s.st_mtim) == line.source_stamp.mtime_ns &&
                                   (!steady_inodes_ || s.st_ino == line.source_stamp.inode);
    }
    UndoVerdict verdict = decide_undo(facts);
    if (verdict == UndoVerdict::compare_bytes) {
        facts.same_bytes = same_bytes(target, source);
        verdict = decide_undo(facts);
    }
    if (verdict == UndoVerdict::nothing || verdict == UndoVerdict::not_moved) {
        return {verdict, std::nullopt};
    }
    UndoStep step = execute(verdict, line, target, source_below.value_or(""));
    return {step.action == UndoAction::KeptError ? UndoVerdict::kept_target_changed : verdict,
            step};
}

// How a verdict that changes nothing is told.
UndoAction told_as(UndoVerdict verdict) {
    constexpr std::pair<UndoVerdict, UndoAction> kTold[] = {
        {UndoVerdict::gone, UndoAction::Gone},
        {UndoVerdict::refused, UndoAction::Refused},
        {UndoVerdict::cannot_undo, UndoAction::CannotUndo},
        {UndoVerdict::kept_source_changed, UndoAction::KeptSourceChanged},
        {UndoVerdict::kept_both_changed, UndoAction::KeptBothChanged},
        {UndoVerdict::kept_only_copy, UndoAction::KeptOnlyCopy},
        {UndoVerdict::kept_source_link, UndoAction::KeptSourceLink},
        {UndoVerdict::kept_same_file, UndoAction::KeptSameFile},
        {UndoVerdict::kept_place_taken, UndoAction::KeptPlaceTaken},
    };
    for (const auto& [known, action] : kTold) {
        if (known == verdict) {
            return action;
        }
    }
    return UndoAction::KeptChanged;
}

UndoStep Undoer::execute(UndoVerdict verdict, const RecordLine& line, Place& target,
                         const std::string& source_below) {
    const std::string path = request_.output + line.target;
    UndoStep step{UndoAction::KeptChanged, path, {}, line.source};
    switch (verdict) {
        case UndoVerdict::remove:
            step.action = UndoAction::Removed;
            if (const std::error_code ec =
                    disk_.remove_file(target.at.folder.get(), target.at.name)) {
                step = {UndoAction::KeptError, path, ec, line.source};
            }
            return step;
        case UndoVerdict::move_back:
        case UndoVerdict::restore: {
            const bool back = verdict == UndoVerdict::move_back;
            step.action = back ? UndoAction::MovedBack : UndoAction::Restored;
            if (const std::error_code ec =
                    put_back(line, target, source_below,
                             back ? CarryBack::Way::move : CarryBack::Way::copy)) {
                return {UndoAction::KeptError, path, ec, line.source};
            }
            return step;
        }
        default:
            step.action = told_as(verdict);
            return step;
    }
}

void Undoer::remove_folders(const std::vector<std::string>& folders, std::set<std::string>& going,
                            const std::function<void(const UndoStep&)>& report) {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        Place place = look(output_fd_.get(), *it, MissingFolders::refuse);
        if (place.at.error || !place.there || !S_ISDIR(place.info.st_mode)) {
            continue;
        }
        Place inside{open_beneath(output_fd_.get(), *it + "/x", MissingFolders::refuse)};
        sweep(inside, *it + "/");
        bool empty = !inside.at.error;
        if (empty) {
            const int fd =
                ::openat(inside.at.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
            for (const dirent* entry; dir != nullptr && (entry = ::readdir(dir)) != nullptr;) {
                const std::string name = entry->d_name;
                if (name != "." && name != ".." && !going.contains(join_path(*it, name))) {
                    empty = false;
                }
            }
            if (dir != nullptr) {
                ::closedir(dir);
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
        if (empty && disk_.remove_folder_at(place.at.folder.get(), place.at.name)) {
            going.insert(*it);
            report({UndoAction::FolderRemoved, request_.output + *it + "/", {}});
        }
    }
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

// Every file of the run, last first, then the folders it made.
void take_back(Undoer& undoer, PlacementRecord& record, const RunLines& lines, UndoResult& result,
               const std::function<void(const UndoStep&)>& report,
               const std::function<bool()>& stop) {
    result.whole = true;
    std::set<std::string> going;
    for (auto it = lines.files.rbegin(); it != lines.files.rend(); ++it) {
        if (stop && stop()) {
            result.cancelled = true;
            return;
        }
        const bool moved = lines.sources_removed.contains(it->target);
        if (!moved && !wrote_target(it->action)) {
            continue;  // bytes that were there already, and stay
        }
        const auto [verdict, step] = undoer.undo_file(*it, moved);
        result.whole = result.whole && undone(verdict, moved);
        if (verdict == UndoVerdict::remove || verdict == UndoVerdict::move_back ||
            (verdict == UndoVerdict::gone && !moved)) {
            going.insert(it->target);
        }
        if (step) {
            note_undone(record, *it, *step);
            report(*step);
        }
    }
    undoer.remove_folders(lines.folders, going, report);
}

void end_undo(PlacementRecord& record, UndoResult& result, RecordSurvey survey) {
    const char* outcome = result.cancelled ? "cancelled" : result.whole ? "complete" : "incomplete";
    if (const std::error_code ec = record.end(outcome)) {
        result.problem = "cannot write the record " + record.path() + ": " + ec.message();
    } else if (std::string_view(outcome) == "complete") {
        // Still held alone: a record grown mostly of runs taken back is rewritten before then.
        result.compaction =
            compact_held_record(record, CompactWhen::mostly_dead, std::move(survey));
    }
}

}  // namespace

namespace {

// The record, read, and the run an undo of it takes back; without a run, the reason.
struct UndoChoice {
    std::unique_ptr<Disk> disk;
    std::unique_ptr<PlacementRecord> record;
    RunsInRecord runs;
    RecordSurvey survey;
    std::optional<std::string> run;
    std::string problem;
};

UndoChoice choose_run(const UndoRequest& request) {
    UndoChoice choice;
    choice.disk = make_disk(request.mode);
    choice.record = std::make_unique<PlacementRecord>(request.output);
    const std::error_code ec =
        choice.record->open(choice.disk->keeps_record() ? RecordUse::undo : RecordUse::undo_preview,
                            request.trust, [&](const RecordLine& line, std::uint64_t offset) {
                                choice.runs.note(line, offset);
                                choice.survey.learn(line);
                            });
    if (ec) {
        choice.problem = "cannot use the record " + choice.record->path() + ": " + ec.message();
        return choice;
    }
    choice.run = run_to_undo(choice.runs, request.run, choice.problem);
    return choice;
}

}  // namespace

UndoResult chosen_run(const UndoRequest& request) {
    const UndoChoice choice = choose_run(request);
    return UndoResult{choice.run.value_or(""), choice.problem};
}

UndoResult undo_run(const UndoRequest& request, const std::function<void(const UndoStep&)>& report,
                    const std::function<bool()>& stop) {
    UndoResult result;
    UndoChoice choice = choose_run(request);
    if (!choice.run) {
        result.problem = choice.problem;
        return result;
    }
    const std::string& run = *choice.run;
    PlacementRecord& record = *choice.record;
    const RunLines lines = lines_of(record, choice.runs, run);
    if (lines.error) {
        result.problem = "cannot use the record " + record.path() + ": " + lines.error.message();
        return result;
    }
    const auto input = choice.runs.inputs.find(run);
    Undoer undoer(request, record,
                  input == choice.runs.inputs.end() ? std::string() : input->second, *choice.disk);
    if (!undoer.ready()) {
        result.problem = "cannot open the output folder " + request.output;
        return result;
    }
    std::error_code ec;
    if (choice.disk->keeps_record() && (ec = record.begin(RecordAction::Undo, run))) {
        result.problem = "cannot write the record " + record.path() + ": " + ec.message();
        return result;
    }
    result.run = run;
    take_back(undoer, record, lines, result, report, stop);
    if (record.begun()) {
        end_undo(record, result, std::move(choice.survey));
    }
    return result;
}

}  // namespace trackfold
