#include "engine/place/target_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>

#include "engine/fsio/file_copy.h"
#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path_inside.h"
#include "engine/fsio/same_content.h"
#include "engine/naming/folder_names.h"
#include "engine/place/source_file.h"
#include "util/case_fold.h"

namespace trackfold {

namespace {

bool same_file(const FileStamp& a, const FileStamp& b) {
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace

TargetWriter::TargetWriter(OutputTree& tree, PlacementRecord& record,
                           const std::vector<std::string>& input_roots, Disk& disk)
    : tree_(tree),
      record_(record),
      input_roots_(input_roots),
      disk_(disk),
      temp_prefix_(record.temp_prefix()) {}

bool TargetWriter::inside_input(const std::string& real_path) const {
    if (real_path.empty()) {
        // Where it cannot be told, the folder is taken to be part of the input.
        return true;
    }
    return std::any_of(input_roots_.begin(), input_roots_.end(),
                       [&](const std::string& root) { return is_inside(real_path, root); });
}

std::string TargetWriter::temp_name() {
    return temp_prefix_ + std::to_string(++temp_serial_) + ".part";
}

std::string TargetWriter::record_path(const std::string& folder, const std::string& name) const {
    const std::string relative = relative_to_output(record_.output_folder(), folder);
    return join_path(relative, name);
}

// One placement, owning all it names, so that a worker may make its copy while the walk goes on.
struct TargetWriter::Placement {
    Placement(const SourcePath& given, OutputTree::Folder& place, const std::string& folder,
              OutputTree::Handle handle, bool protected_folder)
        : source_path(given.path),
          real_path(given.real_path),
          source{source_path, real_path, given.is_link},
          from(source_path, given.opened),
          place(place),
          folder(folder),
          handle(std::move(handle)),
          folder_fd(this->handle ? this->handle->get() : -1),
          protected_folder(protected_folder) {}
    Placement(const Placement&) = delete;
    Placement& operator=(const Placement&) = delete;

    const std::string source_path;
    const std::string real_path;
    const SourcePath source;
    SourceFile from;
    OutputTree::Folder& place;
    const std::string folder;
    const OutputTree::Handle handle;
    const int folder_fd;
    const bool protected_folder;
    // What the settings lines of the run whose line gave the record's word say.
    std::uint64_t word_settings = kSettingsUnknown;
};

// A new copy a worker makes. The walk reserved its name and reads the outcome only after the
// worker is done with it.
struct TargetWriter::PendingCopy {
    std::unique_ptr<Placement> p;
    std::string wanted;
    int n = 1;
    std::string candidate;
    std::string folded;
    std::vector<std::uintmax_t> seen;
    RecordAction action = RecordAction::Copied;
    std::string temp;
    NewCopy how = NewCopy::unnamed;
    NewCopyMade made{};
    std::shared_ptr<CopyTask> task;
};

namespace {

// The record's line, read again, says exactly this: the index keeps only hashes.
bool confirmed(const PlacementRecord& record, std::uint64_t offset, const std::string& target,
               const std::string& source, const FileStamp& source_now,
               const FileStamp& target_now) {
    const std::optional<RecordLine> line = record.line_at(offset);
    return line && line->source == source && fold_case(line->target) == fold_case(target) &&
           proven_same_file_object(source_now, line->source_stamp) &&
           untouched_since(target_now, line->target_stamp);
}

}  // namespace

PlacedFile TargetWriter::placed(Placement& p, OutputTree::Entry& entry, RecordAction action,
                                const FileStamp* target, CopyOutcome outcome) {
    const std::string path = p.folder + entry.name;
    const FileStamp* source = p.from.stamp();
    entry.placed = true;
    entry.size = source != nullptr ? static_cast<std::uintmax_t>(source->size) : 0;
    if (target != nullptr && source != nullptr) {
        RecordLine line;
        line.action = action;
        line.source = p.source.real_path;
        line.source_stamp = *source;
        line.target = record_path(p.folder, entry.name);
        line.target_stamp = *target;
        record_.append(std::move(line));
    }
    PlacedFile result{path, {}, outcome.time_error, action};
    result.source_size = entry.size;
    return result;
}

// The preview's disk renames nothing, so a move within one disk is left out here, where the
// real run would rename it.
void TargetWriter::note_copied(const Placement& p) {
    const FileStamp* from = p.from.known_stamp();
    if (from != nullptr && !(move_ && from->device == static_cast<std::uint64_t>(p.place.device))) {
        copied_bytes_ += static_cast<std::uintmax_t>(from->size);
    }
}

void TargetWriter::note_written(Placement& p, const std::string& name) {
    written_disks_.try_emplace(p.place.device, p.folder);
    if (track_written_ && !p.place.real_path.empty()) {
        written_.insert(join_path(p.place.real_path, name));
    }
}

RecordLine TargetWriter::source_line(const Placement& p, RecordAction action,
                                     const std::string& name, const FileStamp& target) const {
    RecordLine line;
    line.action = action;
    line.source = p.source.real_path;
    line.source_stamp = *p.from.known_stamp();
    line.target = record_path(p.folder, name);
    line.target_stamp = target;
    return line;
}

std::optional<PlacedFile> TargetWriter::rename_into(Placement& p, const std::string& name,
                                                    RecordAction action) {
    const FileStamp* from = p.from.stamp();
    // A link is never moved: one with a relative target would lead nowhere at its new place.
    if (from == nullptr || p.source.is_link ||
        from->device != static_cast<std::uint64_t>(p.place.device)) {
        return std::nullopt;
    }
    // The record says where the file goes before it goes, so that a killed or failed run
    // leaves a record from which undo can put it back. The rename keeps the file's inode, size
    // and time: that is what the lines say of the target.
    if (!record_.append_all({source_line(p, action, name, *from),
                             source_line(p, RecordAction::SourceRemoved, name, *from)})) {
        return std::nullopt;  // copied instead: a copy's source stays until the record holds
    }
    const std::error_code error = disk_.rename_into(
        p.source.path, p.folder_fd, name,
        action == RecordAction::Replaced ? Disk::Overwrite::yes : Disk::Overwrite::no);
    if (error == std::errc::file_exists) {
        return PlacedFile{p.folder + name, error, {}, action};
    }
    if (error) {
        // Another disk after all (a bind mount), or a source folder that may not be changed:
        // then the copy is made, and the source stays where it cannot go.
        return std::nullopt;
    }
    note_written(p, name);
    OutputTree::Entry& entry =
        p.place.entries.try_emplace(fold_case(name), OutputTree::Entry{name}).first->second;
    PlacedFile result = placed(p, entry, action, nullptr);
    result.source_fate = SourceFate::Removed;
    return result;
}

PlacedFile TargetWriter::release_source(Placement& p, PlacedFile result, Bytes bytes) {
    const FileStamp* from = p.from.stamp();
    if (result.error || from == nullptr) {
        return result;
    }
    if (p.source.is_link) {
        // Its copy holds what it leads to; the link itself stays where it is.
        result.source_fate = SourceFate::LinkKept;
        return result;
    }
    if (const auto foreseen = disk_.foresee_removal(p.source.path, from->device, p.folder)) {
        result.source_fate = foreseen->error ? SourceFate::Stuck : SourceFate::Removed;
        result.source_error = foreseen->error;
        // A rename within one disk frees nothing there; a copy to another frees the source.
        result.bytes_freed = foreseen->frees_bytes ? static_cast<std::uintmax_t>(from->size) : 0;
        return result;
    }
    if (bytes == Bytes::unchecked && !disk_.same_content(p.source.path, result.target)) {
        result.source_fate = SourceFate::Stuck;
        result.source_error = std::make_error_code(std::errc::io_error);
        return result;
    }
    // Removed once a whole batch is on the disk: one flush for many files rather than a few
    // for each.
    result.removal =
        PendingRemoval{p.source.path, *from,
                       source_line(p, RecordAction::SourceRemoved,
                                   result.target.substr(p.folder.size()), FileStamp{}),
                       result.target, !source_times_show_changes(*from, p.source.path)};
    result.source_fate = SourceFate::Pending;
    return result;
}

bool TargetWriter::source_times_show_changes(const FileStamp& source, const std::string& path) {
    const auto known = source_disks_.find(source.device);
    if (known != source_disks_.end()) {
        return known->second;
    }
    const bool shows = times_show_changes(path);
    source_disks_.emplace(source.device, shows);
    return shows;
}

NewCopyMade TargetWriter::make_new_copy(Disk& disk, Placement& p, const std::string& candidate,
                                        const std::string& temp, NewCopy how) {
    NewCopyMade made;
    made.outcome = copy_one_version(p.from, [&](const OpenSource& source) {
        return disk.copy_to_new({source, p.source.path, p.folder_fd, p.folder, candidate}, temp,
                                how);
    });
    if (!made.outcome.error) {
        made.target = stamp_at(p.folder_fd, candidate);
    }
    p.from.close();
    return made;
}

PlacedFile TargetWriter::after_new_copy(Placement& p, const std::string& candidate,
                                        RecordAction action, const NewCopyMade& made) {
    if (made.outcome.error) {
        return {p.folder + candidate, made.outcome.error, {}, action};
    }
    note_written(p, candidate);
    note_copied(p);
    OutputTree::Entry& entry =
        p.place.entries.try_emplace(fold_case(candidate), OutputTree::Entry{candidate})
            .first->second;
    PlacedFile result =
        placed(p, entry, action, made.target.stamp ? &*made.target.stamp : nullptr, made.outcome);
    return with_source(p, std::move(result), Bytes::unchecked);
}

PlacedFile TargetWriter::write_new(Placement& p, const std::string& candidate,
                                   RecordAction action) {
    if (move_) {
        if (std::optional<PlacedFile> renamed = rename_into(p, candidate, action)) {
            return *renamed;
        }
    }
    const bool unnamed = p.place.traits.unnamed_files;
    return after_new_copy(p, candidate, action,
                          make_new_copy(disk_, p, candidate, unnamed ? std::string() : temp_name(),
                                        unnamed ? NewCopy::unnamed : NewCopy::via_temporary));
}

PlacedFile TargetWriter::write_over(Placement& p, OutputTree::Entry& entry) {
    if (move_) {
        if (std::optional<PlacedFile> renamed =
                rename_into(p, entry.name, RecordAction::Replaced)) {
            return *renamed;
        }
    }
    const CopyOutcome outcome = copy_one_version(p.from, [&](const OpenSource& source) {
        return disk_.copy_over({source, p.source.path, p.folder_fd, p.folder, entry.name},
                               temp_name());
    });
    if (outcome.error) {
        return {p.folder + entry.name, outcome.error, {}, RecordAction::Replaced};
    }
    note_written(p, entry.name);
    note_copied(p);
    const StampResult target = stamp_at(p.folder_fd, entry.name);
    PlacedFile result =
        placed(p, entry, RecordAction::Replaced, target.stamp ? &*target.stamp : nullptr, outcome);
    return with_source(p, std::move(result), Bytes::unchecked);
}

TargetFacts TargetWriter::facts_at(Placement& p, const OutputTree::Entry& entry,
                                   const FileStamp& from, std::optional<FileStamp>& there) {
    TargetFacts facts;
    using Entry = TargetFacts::Entry;
    if (entry.placed) {
        facts.entry = Entry::placed_by_run;
        facts.same_size = entry.size == static_cast<std::uintmax_t>(from.size);
        // A copy of another size holds other bytes, and no word of the record can make it this
        // source's: a folder where hundreds of files share one name is then passed through
        // without a look at the disk for each.
        if (!facts.same_size) {
            return facts;
        }
        if (const StampResult found =
                p.folder_fd >= 0 ? stamp_at(p.folder_fd, entry.name) : StampResult{};
            found.stamp && S_ISREG(found.stamp->mode)) {
            there = found.stamp;
            note_record_word(p, entry, from, *there, facts);
        }
        return facts;
    }
    facts.entry = Entry::other;
    if (entry.is_folder || p.folder_fd < 0) {
        return facts;
    }
    const StampResult found = stamp_at(p.folder_fd, entry.name);
    if (!found.stamp) {
        return facts;
    }
    there = found.stamp;
    if (S_ISLNK(there->mode)) {
        // A link that leads to the source itself: the source is in its place.
        const StampResult followed = stamp_of_path(p.folder + entry.name);
        if (followed.stamp && same_file(from, *followed.stamp)) {
            facts.entry = Entry::source_itself;
        }
        return facts;
    }
    if (!S_ISREG(there->mode)) {
        return facts;
    }
    if (same_file(from, *there)) {
        facts.entry = Entry::source_itself;
        return facts;
    }
    facts.entry = Entry::file;
    facts.same_size = there->size == from.size;
    note_record_word(p, entry, from, *there, facts);
    return facts;
}

void TargetWriter::note_record_word(Placement& p, const OutputTree::Entry& entry,
                                    const FileStamp& from, const FileStamp& there,
                                    TargetFacts& facts) const {
    const std::string relative = record_path(p.folder, entry.name);
    if (const auto said = record_.index().find(relative, p.source.real_path, from, there)) {
        facts.record_says_unchanged = said->unchanged;
        facts.record_line_already_there = said->action == RecordAction::AlreadyThere;
        facts.same_time = same_time(there.mtime_ns, from.mtime_ns, p.place.traits.time_step_ns);
        facts.may_replace_here =
            !p.protected_folder && p.place.traits.times_show_changes && record_.trusted();
        facts.record_names_sole_source = said->sole_source;
        facts.record_offset = said->offset;
        p.word_settings = said->run_settings;
    }
}

TargetVerdict TargetWriter::verdict_at(Placement& p, const OutputTree::Entry& entry,
                                       const FileStamp& from, std::optional<FileStamp>& there) {
    TargetFacts facts = facts_at(p, entry, from, there);
    TargetVerdict verdict = decide_target(facts);
    if (verdict == TargetVerdict::confirm_record) {
        facts.record_line_confirms =
            confirmed(record_, facts.record_offset, record_path(p.folder, entry.name),
                      p.source.real_path, from, *there);
        verdict = decide_target(facts);
    }
    if (verdict == TargetVerdict::compare_bytes) {
        facts.same_bytes = disk_.same_content(p.source.path, p.folder + entry.name);
        verdict = decide_target(facts);
    }
    return verdict;
}

std::optional<PlacedFile> TargetWriter::place_at(Placement& p, OutputTree::Entry& entry) {
    const FileStamp* from = p.from.stamp();
    if (from == nullptr) {
        return PlacedFile{p.folder + entry.name, p.from.error(), {}};
    }
    std::optional<FileStamp> there;
    switch (verdict_at(p, entry, *from, there)) {
        case TargetVerdict::in_place:
            // Not a placement to record, and never a source to remove.
            return placed(p, entry, RecordAction::AlreadyThere, nullptr);
        case TargetVerdict::skip:
            // A word from a run with other tag settings, or from a version that kept none, is
            // said again by this run, so that the next unchanged re-run may leave the tags
            // unread. A move says it always: its undo puts back only sources whose placement
            // its own lines tell.
            return with_source(
                p,
                placed(p, entry, RecordAction::AlreadyThere,
                       there && (p.word_settings != settings_ || move_) ? &*there : nullptr),
                Bytes::unchecked);
        case TargetVerdict::already_there:
            if (entry.placed) {
                there = stamp_at(p.folder_fd, entry.name).stamp;
            }
            return with_source(
                p, placed(p, entry, RecordAction::AlreadyThere, there ? &*there : nullptr),
                Bytes::checked);
        case TargetVerdict::replace:
            return write_over(p, entry);
        default:
            return std::nullopt;
    }
}

PlacedFile TargetWriter::with_source(Placement& p, PlacedFile result, Bytes bytes) {
    return move_ ? release_source(p, std::move(result), bytes) : result;
}

void TargetWriter::use_workers(CopyWorkers* workers, std::function<void()> finish_pending) {
    workers_ = workers;
    finish_pending_ = std::move(finish_pending);
}

TargetWriter::~TargetWriter() {
    for (const std::shared_ptr<PendingCopy>& pending : pending_) {
        workers_->wait(*pending->task);
    }
}

// Copies are made by workers only on the kernel's own disks, where a copy is written unnamed
// and linked in whole; FUSE disks take one writer at a time best, and a move mostly renames.
bool TargetWriter::may_hand_over(const Placement& p) const {
    return workers_ != nullptr && workers_->threads() > 0 && !move_ && p.place.traits.unnamed_files;
}

void TargetWriter::hand_over(std::unique_ptr<Placement> p, Naming naming) {
    auto pending = std::make_shared<PendingCopy>();
    pending->p = std::move(p);
    pending->wanted = std::move(naming.wanted);
    pending->n = naming.n;
    pending->candidate = std::move(naming.candidate);
    pending->folded = std::move(naming.folded);
    pending->seen = std::move(naming.seen);
    pending->action = naming.n == 1 ? RecordAction::Copied : RecordAction::Numbered;
    OutputTree::Entry& entry =
        pending->p->place.entries
            .try_emplace(pending->folded, OutputTree::Entry{pending->candidate})
            .first->second;
    entry.pending = true;
    pending->task = std::make_shared<CopyTask>();
    // The worker touches only what the pending copy owns, and the disk, which keeps nothing.
    pending->task->work = [pending = pending.get(), &disk = disk_] {
        pending->made =
            make_new_copy(disk, *pending->p, pending->candidate, pending->temp, pending->how);
    };
    workers_->submit(pending->task);
    pending_.push_back(std::move(pending));
}

PlacedFile TargetWriter::finish_oldest() {
    const std::shared_ptr<PendingCopy> pending = std::move(pending_.front());
    pending_.pop_front();
    workers_->wait(*pending->task);
    Placement& p = *pending->p;
    const auto reserved = p.place.entries.find(pending->folded);
    reserved->second.pending = false;
    if (pending->made.outcome.error == std::errc::file_exists) {
        // Something took the name since the folder was listed: look at it as at any file found
        // there, then go on with the next names here and now.
        if (std::optional<PlacedFile> done = place_at(p, reserved->second)) {
            return *done;
        }
        return *place_from(std::move(pending->p), pending->wanted, pending->n + 1, Handing::here);
    }
    if (pending->made.outcome.error) {
        p.place.entries.erase(reserved);
        return after_new_copy(p, pending->candidate, pending->action, pending->made);
    }
    PlacedFile placed = after_new_copy(p, pending->candidate, pending->action, pending->made);
    remember_sizes(p.place, pending->wanted, pending->seen, pending->n);
    return placed;
}

OutputTree::Entry* TargetWriter::settled_entry(OutputTree::Folder& place,
                                               const std::string& folded) {
    OutputTree::Entry* entry = place.find(folded);
    if (entry != nullptr && entry->pending && finish_pending_) {
        finish_pending_();
        entry = place.find(folded);
    }
    return entry;
}

// A name taken by hundreds of the run's files (untagged tracks all called "Track 01.mp3") is
// passed name by name for each new one: numbered names whose copy has another size are passed
// by what the run knows of them, without building and folding each name again.
int TargetWriter::first_name_to_try(Placement& p, const std::string& wanted, int first) {
    const auto known = p.place.numbered_sizes.find(wanted);
    const FileStamp* source = known != p.place.numbered_sizes.end() ? p.from.stamp() : nullptr;
    if (source == nullptr) {
        return first;
    }
    const std::vector<std::uintmax_t>& sizes = known->second;
    const auto size = static_cast<std::uintmax_t>(source->size);
    int n = first;
    while (n >= 1 && static_cast<std::size_t>(n) <= sizes.size() &&
           sizes[n - 1] != OutputTree::Folder::kNotPlaced && sizes[n - 1] != size) {
        ++n;
    }
    return n;
}

void TargetWriter::remember_sizes(OutputTree::Folder& place, const std::string& wanted,
                                  std::vector<std::uintmax_t>& seen, int n) {
    const OutputTree::Entry* entry =
        place.find(fold_case(numbered_file_name(wanted, n, place.traits.name_max)));
    if (n < 2 || entry == nullptr || !entry->placed) {
        return;
    }
    seen.resize(static_cast<std::size_t>(n), OutputTree::Folder::kNotPlaced);
    seen[n - 1] = entry->size;
    std::vector<std::uintmax_t>& known = place.numbered_sizes[wanted];
    if (known.size() < seen.size()) {
        known.resize(seen.size(), OutputTree::Folder::kNotPlaced);
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (seen[i] != OutputTree::Folder::kNotPlaced) {
            known[i] = seen[i];
        }
    }
}

std::optional<PlacedFile> TargetWriter::place_from(std::unique_ptr<Placement> p,
                                                   const std::string& wanted, int first,
                                                   Handing handing) {
    std::vector<std::uintmax_t> seen;
    for (int n = first_name_to_try(*p, wanted, first);; ++n) {
        std::string candidate = numbered_file_name(wanted, n, p->place.traits.name_max);
        std::string folded = fold_case(candidate);
        OutputTree::Entry* entry = settled_entry(p->place, folded);
        if (entry != nullptr && entry->pending) {
            // Held by an earlier copy of this run still being made: never the same file.
            continue;
        }
        if (entry == nullptr) {
            if (handing == Handing::to_workers && may_hand_over(*p)) {
                hand_over(std::move(p),
                          {wanted, n, std::move(candidate), std::move(folded), std::move(seen)});
                return std::nullopt;
            }
            PlacedFile result =
                write_new(*p, candidate, n == 1 ? RecordAction::Copied : RecordAction::Numbered);
            if (result.error != std::errc::file_exists) {
                remember_sizes(p->place, wanted, seen, n);
                return result;
            }
            // Something took the name since the folder was listed: look at it as at any file
            // found there.
            entry = &p->place.entries.try_emplace(std::move(folded), OutputTree::Entry{candidate})
                         .first->second;
        }
        if (entry->placed && static_cast<std::size_t>(n) > seen.size()) {
            seen.resize(static_cast<std::size_t>(n), OutputTree::Folder::kNotPlaced);
            seen[n - 1] = entry->size;
        }
        if (std::optional<PlacedFile> done = place_at(*p, *entry)) {
            remember_sizes(p->place, wanted, seen, n);
            return done;
        }
    }
}

std::optional<PlacedFile> TargetWriter::start(const SourcePath& source, const std::string& folder,
                                              const std::string& name) {
    return place_new(source, folder, name, Handing::to_workers);
}

PlacedFile TargetWriter::copy(const SourcePath& source, const std::string& folder,
                              const std::string& name) {
    return *place_new(source, folder, name, Handing::here);
}

std::optional<PlacedFile> TargetWriter::place_new(const SourcePath& source,
                                                  const std::string& folder,
                                                  const std::string& name, Handing handing) {
    OutputTree::Folder& place = tree_.folder(folder);
    OutputTree::Handle handle = tree_.open_folder(place, folder);
    if (!handle) {
        if (const std::error_code ec = disk_.unopened_folder(errno)) {
            return PlacedFile{folder + name, ec, {}};
        }
    }
    auto p = std::make_unique<Placement>(source, place, folder, std::move(handle),
                                         inside_input(place.real_path));
    const std::string wanted = target_file_name(name, place.traits.name_rules());
    return place_from(std::move(p), wanted, 1, handing);
}

}  // namespace trackfold
