#include "engine/walk/unchanged_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "engine/fsio/disk_traits.h"
#include "engine/naming/folder_names.h"
#include "engine/place/place_decision.h"
#include "util/case_fold.h"

namespace trackfold {

namespace {

bool is_source(const FileStamp& there, const FileStamp& source) {
    return there.device == source.device && there.inode == source.inode;
}

}  // namespace

UnchangedFiles::UnchangedFiles(const PlacementRecord& record, OutputTree& tree, std::string output,
                               Kind kind)
    : record_(record),
      lines_(record.descriptor()),
      tree_(tree),
      output_(std::move(output)),
      copy_(kind == Kind::copy),
      // A record read in part may lack the line that says the copy was changed since, and one
      // that others may write may say anything.
      record_sound_(!record.read_error() && record.trusted()) {}

void UnchangedFiles::enter(const std::string& folder, std::uint64_t settings) {
    folder_ = folder;
    settings_ = settings;
    folder_fd_.reset();
}

void UnchangedFiles::leave() {
    folder_fd_.reset();
}

int UnchangedFiles::folder_fd() {
    if (!folder_fd_) {
        folder_fd_.emplace(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return folder_fd_->get();
}

std::optional<UnchangedFile> UnchangedFiles::before_tags(const std::string& name,
                                                         const std::string& real_source,
                                                         const SubFolderNames& names) {
    // Asked of every file: what the facts below would refuse anyway is not looked up.
    if (!copy_ || !record_sound_) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> offset = record_.index().source_line(real_source);
    const std::optional<RecordLine> line = offset ? lines_.line_at(*offset) : std::nullopt;
    if (!line) {
        return std::nullopt;
    }
    const StampResult now = folder_fd() >= 0 ? stamp_at(folder_fd(), name) : StampResult{};
    if (!now.stamp) {
        return std::nullopt;
    }
    std::optional<RecordedPlace> place = recorded_place(line->target, names);
    const RecordIndex::Run* run = record_.index().run(line->run);
    UnchangedFile file{{}, *now.stamp, line->action, line->target_stamp, {}};
    file.facts = {copy_,
                  record_sound_,
                  is_placement(line->action) && line->source == real_source,
                  place.has_value(),
                  S_ISREG(now.stamp->mode) && same_file_object(*now.stamp, line->source_stamp),
                  untouched_since(*now.stamp, line->source_stamp),
                  run != nullptr ? run->settings : kSettingsUnknown,
                  settings_};
    if (decide_skip(file.facts) != SkipVerdict::look_at_target) {
        return std::nullopt;
    }
    file.place = std::move(*place);
    return file;
}

TargetLook UnchangedFiles::look_at(const UnchangedFile& file, OutputTree::Folder& folder,
                                   const std::string& path, const OutputTree::Entry* entry) {
    TargetLook look;
    look.as_recorded = entry != nullptr && !entry->is_folder && entry->name == file.place.name;
    if (!look.as_recorded) {
        return look;
    }
    look.placed_by_run = entry->placed;
    const OutputTree::Handle handle = tree_.open_folder(folder, path);
    const int fd = handle ? handle->get() : -1;
    const StampResult there = fd >= 0 ? stamp_at(fd, entry->name) : StampResult{};
    if (!there.stamp) {
        return look;
    }
    const FileStamp& target = *there.stamp;
    look.other_file = S_ISREG(target.mode) && !is_source(target, file.source);
    look.untouched = untouched_since(target, file.target_then);
    look.line_already_there = file.action == RecordAction::AlreadyThere;
    look.same_time = same_time(target.mtime_ns, file.source.mtime_ns, folder.traits.time_step_ns);
    return look;
}

// What the writer finds at a name it tries for the source before the recorded one. The record
// says nothing there of this source: its one live line is the recorded target's.
TargetFacts UnchangedFiles::facts_before(const OutputTree::Entry& entry, const FileStamp& source,
                                         const std::string& path, int folder_fd) const {
    TargetFacts facts;
    if (entry.placed) {
        facts.entry = TargetFacts::Entry::placed_by_run;
        facts.same_size = entry.size == static_cast<std::uintmax_t>(source.size);
        return facts;
    }
    facts.entry = TargetFacts::Entry::other;
    const StampResult found =
        entry.is_folder || folder_fd < 0 ? StampResult{} : stamp_at(folder_fd, entry.name);
    if (!found.stamp) {
        return facts;
    }
    const FileStamp& there = *found.stamp;
    if (S_ISLNK(there.mode)) {
        const StampResult followed = stamp_of_path(path + entry.name);
        if (followed.stamp && is_source(*followed.stamp, source)) {
            facts.entry = TargetFacts::Entry::source_itself;
        }
        return facts;
    }
    if (S_ISREG(there.mode)) {
        facts.entry =
            is_source(there, source) ? TargetFacts::Entry::source_itself : TargetFacts::Entry::file;
        facts.same_size = there.size == source.size;
    }
    return facts;
}

OutputTree::Entry* UnchangedFiles::recorded_entry(const UnchangedFile& file,
                                                  const std::string& name,
                                                  OutputTree::Folder& folder,
                                                  const std::string& path) {
    const std::string wanted = target_file_name(name, folder.traits.name_rules());
    const OutputTree::Handle handle = tree_.open_folder(folder, path);
    const int folder_fd = handle ? handle->get() : -1;
    // The names the writer tries in turn, each one a name of the folder's: every name after
    // the last one it holds would be free.
    for (int n = 1;; ++n) {
        OutputTree::Entry* entry =
            folder.find(fold_case(numbered_file_name(wanted, n, folder.traits.name_max)));
        if (entry != nullptr && entry->pending) {
            // A copy of this run is still being made there: the writer looks at it once made.
            return nullptr;
        }
        if (entry == nullptr || entry->name == file.place.name) {
            return entry;
        }
        // Someone else's file there, that the writer passes only by its size or kind.
        if (decide_target(facts_before(*entry, file.source, path, folder_fd)) !=
            TargetVerdict::next_name) {
            return nullptr;
        }
    }
}

std::optional<FoundThere> UnchangedFiles::at_turn(UnchangedFile& file, const std::string& name) {
    // The folders as ensure_target_folder names them, then the names the writer tries.
    std::string path = output_ + file.place.base + "/";
    for (const std::string& child : file.place.folders) {
        const std::optional<std::string> found = tree_.existing_child(path, child);
        if (!found) {
            return std::nullopt;
        }
        path = *found + "/";
    }
    OutputTree::Folder& folder = tree_.folder(path);
    OutputTree::Entry* entry = recorded_entry(file, name, folder, path);
    file.facts.target = look_at(file, folder, path, entry);
    if (decide_skip(file.facts) != SkipVerdict::already_there) {
        return std::nullopt;
    }
    // What the writer marks when it finds the source there: a later file of the run for this
    // name is then kept beside it, never written over it.
    entry->placed = true;
    entry->size = static_cast<std::uintmax_t>(file.source.size);
    return FoundThere{file.place.category, path + entry->name};
}

}  // namespace trackfold
