#include "engine/walk/unchanged_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "engine/fsio/disk_traits.h"
#include "engine/naming/folder_names.h"
#include "util/case_fold.h"

namespace trackfold {

UnchangedFiles::UnchangedFiles(const PlacementRecord& record, OutputTree& tree, std::string output,
                               Kind kind)
    : record_(record),
      lines_(record.descriptor()),
      tree_(tree),
      output_(std::move(output)),
      copy_(kind == Kind::copy),
      // A record read in part may lack the line that says the copy was changed since.
      record_sound_(!record.read_error() && record.trusted()) {}

void UnchangedFiles::enter(const std::string& folder) {
    folder_ = folder;
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
    UnchangedFile file{{}, *now.stamp, line->action, line->target_stamp, {}};
    file.facts = {copy_,
                  record_sound_,
                  is_placement(line->action) && line->source == real_source,
                  place.has_value(),
                  S_ISREG(now.stamp->mode) && same_file_object(*now.stamp, line->source_stamp),
                  untouched_since(*now.stamp, line->source_stamp)};
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
    const int fd = tree_.open_folder(folder, path);
    const StampResult there = fd >= 0 ? stamp_at(fd, entry->name) : StampResult{};
    if (!there.stamp) {
        return look;
    }
    const FileStamp& target = *there.stamp;
    look.other_file = S_ISREG(target.mode) &&
                      !(target.device == file.source.device && target.inode == file.source.inode);
    look.untouched = untouched_since(target, file.target_then);
    look.line_already_there = file.action == RecordAction::AlreadyThere;
    look.same_time = same_time(target.mtime_ns, file.source.mtime_ns, folder.traits.time_step_ns);
    return look;
}

std::optional<FoundThere> UnchangedFiles::at_turn(UnchangedFile& file, const std::string& name) {
    // The folders as ensure_target_folder names them, and the name the writer tries first.
    std::string path = output_ + file.place.base + "/";
    for (const std::string& child : file.place.folders) {
        const std::optional<std::string> found = tree_.existing_child(path, child);
        if (!found) {
            return std::nullopt;
        }
        path = *found + "/";
    }
    OutputTree::Folder& folder = tree_.folder(path);
    const std::string first = numbered_file_name(target_file_name(name, folder.traits.name_rules()),
                                                 1, folder.traits.name_max);
    OutputTree::Entry* entry = folder.find(fold_case(first));
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
