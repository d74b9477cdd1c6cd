#include "engine/place/target_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "engine/fsio/file_copy.h"
#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path_inside.h"
#include "engine/naming/folder_names.h"
#include "util/case_fold.h"

namespace trackfold {

namespace {

// Reads from `at` until the buffer is full or the file ends.
ssize_t read_fully(int fd, char* buffer, std::size_t size, off_t at) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size - done, at + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool same_file(const FileStamp& a, const FileStamp& b) {
    return a.device == b.device && a.inode == b.inode;
}

// The source as far as one placement needs it: its stamp to compare with a target found in the
// folder and with the record, a descriptor to copy from for a new one. Each is asked of the
// system once, when first needed, so a first run does not stat what it opens and a re-run does
// not open what it skips.
class SourceFile {
  public:
    explicit SourceFile(const std::string& path) : path_(path) {}

    const FileStamp* stamp() {
        if (!stamp_ && !error_) {
            StampResult got = stamp_of_path(path_);
            stamp_ = got.stamp;
            error_ = got.error;
        }
        return stamp_ ? &*stamp_ : nullptr;
    }

    // Open, with the stamp taken from the open file, before anything of it is read.
    const OpenSource* opened() {
        if (!fd_) {
            error_.clear();
            fd_.emplace(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
            source_.fd = fd_->get();
            if (source_.fd < 0 || ::fstat(source_.fd, &source_.info) != 0) {
                error_.assign(errno, std::generic_category());
                return nullptr;
            }
            StampResult got = stamp_of_fd(source_.fd);
            stamp_ = got.stamp;
            error_ = got.error;
        }
        return error_ ? nullptr : &source_;
    }

    // The source changed while it was read: what is known of it is known no more.
    void reopen() {
        fd_.reset();
        stamp_.reset();
    }

    std::error_code error() const { return error_; }
    const FileStamp* known_stamp() const { return stamp_ ? &*stamp_ : nullptr; }

  private:
    const std::string& path_;
    std::optional<FileDescriptor> fd_;
    OpenSource source_{-1, {}};
    std::optional<FileStamp> stamp_;
    std::error_code error_;
};

// A copy that found its source changed while it read it is made once more from the source as
// it is then; a source that changes again is given up.
template <typename Copy>
CopyOutcome copy_one_version(SourceFile& from, Copy copy) {
    CopyOutcome outcome;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const OpenSource* opened = from.opened();
        if (opened == nullptr) {
            return {from.error(), {}};
        }
        outcome = copy(*opened);
        if (outcome.error != source_changed_error()) {
            return outcome;
        }
        from.reopen();
    }
    return outcome;
}

}  // namespace

bool same_content(const std::string& a, const std::string& b) {
    const FileDescriptor file_a(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const FileDescriptor file_b(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    return file_a.get() >= 0 && file_b.get() >= 0 && same_content_of(file_a.get(), file_b.get());
}

bool same_content_of(int fd_a, int fd_b) {
    struct stat info_a {};
    struct stat info_b {};
    if (::fstat(fd_a, &info_a) != 0 || ::fstat(fd_b, &info_b) != 0 || !S_ISREG(info_a.st_mode) ||
        !S_ISREG(info_b.st_mode)) {
        return false;
    }
    if (same_file(info_a, info_b)) {
        return true;
    }
    if (info_a.st_size != info_b.st_size) {
        return false;
    }
    char buffer_a[1 << 16];
    char buffer_b[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got_a = read_fully(fd_a, buffer_a, sizeof buffer_a, at);
        const ssize_t got_b = read_fully(fd_b, buffer_b, sizeof buffer_b, at);
        if (got_a < 0 || got_a != got_b || !std::equal(buffer_a, buffer_a + got_a, buffer_b)) {
            return false;
        }
        if (got_a == 0) {
            return true;
        }
        at += got_a;
    }
}

TargetWriter::TargetWriter(OutputTree& tree, PlacementRecord& record,
                           const std::vector<std::string>& input_roots)
    : tree_(tree), record_(record), input_roots_(input_roots), temp_prefix_(record.temp_prefix()) {}

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

struct TargetWriter::Placement {
    const SourcePath& source;
    SourceFile from;
    OutputTree::Folder& place;
    const std::string& folder;
    int folder_fd;
    bool protected_folder;
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
    return {path, {}, outcome.time_error, action};
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
    const int error =
        action == RecordAction::Replaced
            ? (::renameat(AT_FDCWD, p.source.path.c_str(), p.folder_fd, name.c_str()) == 0 ? 0
                                                                                           : errno)
            : rename_no_replace(AT_FDCWD, p.source.path, p.folder_fd, name);
    if (error == EEXIST) {
        return PlacedFile{p.folder + name, {EEXIST, std::generic_category()}, {}, action};
    }
    if (error != 0) {
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

PlacedFile TargetWriter::release_source(Placement& p, PlacedFile result, bool bytes_checked) {
    const FileStamp* from = p.from.stamp();
    if (result.error || from == nullptr) {
        return result;
    }
    if (p.source.is_link) {
        // Its copy holds what it leads to; the link itself stays where it is.
        result.source_fate = SourceFate::LinkKept;
        return result;
    }
    if (tree_.preview()) {
        // What the removal would meet: the source's folder may not be changed.
        const std::string folder = parent_folder(p.source.path);
        if (::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK, AT_EACCESS) != 0) {
            result.source_fate = SourceFate::Stuck;
            result.source_error.assign(errno, std::generic_category());
        } else {
            result.source_fate = SourceFate::Removed;
            // A rename within one disk frees nothing there; a copy to another frees the source.
            if (from->device != disk_of(p.folder)) {
                result.bytes_freed = static_cast<std::uintmax_t>(from->size);
            }
        }
        return result;
    }
    if (!bytes_checked && !same_content(p.source.path, result.target)) {
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

// The disk a folder is on, or would be on once the run has made it.
std::uint64_t TargetWriter::disk_of(const std::string& folder) {
    const auto known = folder_disks_.find(folder);
    if (known != folder_disks_.end()) {
        return known->second;
    }
    struct stat info {};
    ::stat(nearest_existing(folder).c_str(), &info);
    return folder_disks_[folder] = static_cast<std::uint64_t>(info.st_dev);
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

PlacedFile TargetWriter::write_new(Placement& p, const std::string& candidate,
                                   RecordAction action) {
    if (move_) {
        if (std::optional<PlacedFile> renamed = rename_into(p, candidate, action)) {
            return *renamed;
        }
    }
    const DiskTraits& disk = p.place.traits;
    const CopyOutcome outcome = copy_one_version(p.from, [&](const OpenSource& source) {
        return copy_to_new(source, p.folder_fd, candidate,
                           disk.unnamed_files ? std::string() : temp_name(), disk.unnamed_files);
    });
    if (outcome.error) {
        return {p.folder + candidate, outcome.error, {}, action};
    }
    note_written(p, candidate);
    const StampResult target = stamp_at(p.folder_fd, candidate);
    OutputTree::Entry& entry =
        p.place.entries.try_emplace(fold_case(candidate), OutputTree::Entry{candidate})
            .first->second;
    PlacedFile result = placed(p, entry, action, target.stamp ? &*target.stamp : nullptr, outcome);
    return move_ ? release_source(p, std::move(result), false) : result;
}

PlacedFile TargetWriter::write_over(Placement& p, OutputTree::Entry& entry) {
    if (move_) {
        if (std::optional<PlacedFile> renamed =
                rename_into(p, entry.name, RecordAction::Replaced)) {
            return *renamed;
        }
    }
    const CopyOutcome outcome = copy_one_version(p.from, [&](const OpenSource& source) {
        return copy_over(source, p.folder_fd, entry.name, temp_name());
    });
    if (outcome.error) {
        return {p.folder + entry.name, outcome.error, {}, RecordAction::Replaced};
    }
    note_written(p, entry.name);
    const StampResult target = stamp_at(p.folder_fd, entry.name);
    PlacedFile result =
        placed(p, entry, RecordAction::Replaced, target.stamp ? &*target.stamp : nullptr, outcome);
    return move_ ? release_source(p, std::move(result), false) : result;
}

PlacedFile TargetWriter::preview_place(Placement& p, const std::string& candidate,
                                       RecordAction action) {
    // What the copy would meet in a folder that is there and may not be written.
    int& cannot = p.place.preview_write_error;
    if (cannot < 0) {
        cannot =
            p.folder_fd >= 0 && ::faccessat(p.folder_fd, ".", W_OK, AT_EACCESS) != 0 ? errno : 0;
    }
    if (cannot != 0) {
        return {p.folder + candidate, {cannot, std::generic_category()}, {}, action};
    }
    if (const FileDescriptor readable(::open(p.source.path.c_str(), O_RDONLY | O_CLOEXEC));
        readable.get() < 0) {
        return {p.folder + candidate, {errno, std::generic_category()}, {}, action};
    }
    OutputTree::Entry& entry =
        p.place.entries.try_emplace(fold_case(candidate), OutputTree::Entry{candidate})
            .first->second;
    preview_sources_[p.folder + entry.name] = p.source.path;
    return placed(p, entry, action, nullptr);
}

namespace {

// The file that holds a target's bytes until the run has put them there, in a preview.
const std::string& holder(const std::unordered_map<std::string, std::string>& planned,
                          const std::string& target) {
    const auto found = planned.find(target);
    return found != planned.end() ? found->second : target;
}

}  // namespace

TargetFacts TargetWriter::facts_at(Placement& p, const OutputTree::Entry& entry,
                                   const FileStamp& from, std::optional<FileStamp>& there) {
    TargetFacts facts;
    using Entry = TargetFacts::Entry;
    if (entry.placed) {
        facts.entry = Entry::placed_by_run;
        facts.same_size = entry.size == static_cast<std::uintmax_t>(from.size);
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

void TargetWriter::note_record_word(const Placement& p, const OutputTree::Entry& entry,
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
    }
}

PlacedFile TargetWriter::copy(const SourcePath& source, const std::string& folder,
                              const std::string& name) {
    OutputTree::Folder& place = tree_.folder(folder);
    const DiskTraits& disk = place.traits;
    const bool preview = tree_.preview();
    const int folder_fd = tree_.open_folder(place, folder);
    // A folder the preview would have made is not there: it holds only what the preview put.
    if (folder_fd < 0 && !preview) {
        return {folder + name, {errno, std::generic_category()}, {}};
    }
    Placement p{source,    SourceFile(source.path),      place, folder,
                folder_fd, inside_input(place.real_path)};
    const std::string wanted = target_file_name(name, disk);
    // In a move, where the source's bytes are found at the target the source goes.
    auto found_there = [&](PlacedFile result, bool bytes_checked) {
        return move_ ? release_source(p, std::move(result), bytes_checked) : result;
    };

    for (int n = 1;; ++n) {
        const std::string candidate = numbered_file_name(wanted, n, disk.name_max);
        std::string folded = fold_case(candidate);
        OutputTree::Entry* entry = place.find(folded);
        const RecordAction fresh = n == 1 ? RecordAction::Copied : RecordAction::Numbered;
        if (entry == nullptr) {
            if (preview) {
                return found_there(preview_place(p, candidate, fresh), true);
            }
            PlacedFile result = write_new(p, candidate, fresh);
            if (result.error != std::errc::file_exists) {
                return result;
            }
            // Something took the name since the folder was listed: look at it as at any file
            // found there.
            place.entries.try_emplace(std::move(folded), OutputTree::Entry{candidate});
            --n;
            continue;
        }
        const std::string target = folder + entry->name;
        const FileStamp* from = p.from.stamp();
        if (from == nullptr) {
            return {target, p.from.error(), {}};
        }
        std::optional<FileStamp> there;
        TargetFacts facts = facts_at(p, *entry, *from, there);
        TargetVerdict verdict = decide_target(facts);
        if (verdict == TargetVerdict::confirm_record) {
            facts.record_line_confirms =
                confirmed(record_, facts.record_offset, record_path(folder, entry->name),
                          source.real_path, *from, *there);
            verdict = decide_target(facts);
        }
        if (verdict == TargetVerdict::compare_bytes) {
            facts.same_bytes = same_content(source.path, holder(preview_sources_, target));
            verdict = decide_target(facts);
        }
        switch (verdict) {
            case TargetVerdict::in_place:
                // Not a placement to record, and never a source to remove.
                return placed(p, *entry, RecordAction::AlreadyThere, nullptr);
            case TargetVerdict::skip:
                return found_there(placed(p, *entry, RecordAction::AlreadyThere, nullptr), false);
            case TargetVerdict::already_there: {
                if (entry->placed && !preview) {
                    there = stamp_at(folder_fd, entry->name).stamp;
                }
                const FileStamp* stamp = preview || !there ? nullptr : &*there;
                return found_there(placed(p, *entry, RecordAction::AlreadyThere, stamp), true);
            }
            case TargetVerdict::replace:
                return preview ? found_there(preview_place(p, entry->name, RecordAction::Replaced),
                                             true)
                               : write_over(p, *entry);
            default:
                continue;
        }
    }
}

}  // namespace trackfold
