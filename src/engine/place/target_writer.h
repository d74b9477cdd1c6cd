#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/events/run_events.h"
#include "engine/fsio/file_copy.h"
#include "engine/fsio/file_stamp.h"
#include "engine/place/copy_workers.h"
#include "engine/place/move_batch.h"
#include "engine/place/output_tree.h"
#include "engine/place/place_decision.h"
#include "engine/place/source_file.h"
#include "engine/record/placement_record.h"

namespace trackfold {

struct PlacedFile {
    std::string target;          // the file the source went to, or was to go to
    std::error_code error;       // set: the source was not placed
    std::error_code time_error;  // set: a whole copy was placed without the source's time
    RecordAction action = RecordAction::Copied;  // what was done, when it was placed
    SourceFate source_fate = SourceFate::Kept;
    std::error_code source_error{};  // Stuck: why the source could not be removed
    std::uintmax_t bytes_freed = 0;
    // Pending: what the move's batch removes once the copy is on the disk.
    std::optional<PendingRemoval> removal{};
    std::uintmax_t source_size = 0;  // when it was placed
};

// A source as the walk hands it over: the path it was found under, and its real path (links
// and ".." resolved), which is what the placement record knows it by.
struct SourcePath {
    const std::string& path;
    const std::string& real_path;
    // The name is a link: a move copies what it leads to and leaves the link where it is.
    bool is_link = false;
    // Opened when its tags were read: the placement takes the descriptor over.
    OpenedSource* opened = nullptr;
};

// Places sources in the output tree without ever losing a file. The source is only read. A
// file found under a target's name is replaced only when the placement record shows it is this
// very source's own earlier copy, untouched since, and it lies outside the input tree; a file
// holding the source's very bytes counts as the source placed; anything else makes the copy
// take the next numbered name. Two different files of one run for one target are kept side by
// side. Every placement is added to the record.
// A new copy as made: how it went, and the copy's stamp when it was placed.
struct NewCopyMade {
    CopyOutcome outcome{};
    StampResult target{};
};

class TargetWriter {
  public:
    // input_roots: the real paths of the folders the walk takes sources from, kept up to date
    // by the walk as it meets linked folders.
    TargetWriter(OutputTree& tree, PlacementRecord& record,
                 const std::vector<std::string>& input_roots, Disk& disk);

    TargetWriter(const TargetWriter&) = delete;
    TargetWriter& operator=(const TargetWriter&) = delete;
    ~TargetWriter();

    // Places source in folder (ending in a separator) under name, or "name (2)" and so on.
    PlacedFile copy(const SourcePath& source, const std::string& folder, const std::string& name);

    // As copy, but a new copy may be handed to the workers: then nothing is returned, and the
    // placement is told by finish_oldest(), in the order of the calls. `finish_pending` is
    // called when a name this run is still writing is met again: it must finish every
    // pending copy, unless it is already doing so.
    void use_workers(CopyWorkers* workers, std::function<void()> finish_pending);
    std::optional<PlacedFile> start(const SourcePath& source, const std::string& folder,
                                    const std::string& name);
    std::size_t pending() const { return pending_.size(); }
    PlacedFile finish_oldest();

    // Moves instead of copies: the same decisions, then the source goes, only once its
    // recording is whole at the target, on the disk and in the record.
    void set_move(bool move) { move_ = move; }

    // The fingerprint of the tag settings the run decides with now (settings_fingerprint).
    void set_tag_settings(std::uint64_t fingerprint) { settings_ = fingerprint; }

    // Keep the real path of every file this run writes, for wrote().
    void track_written(bool track) { track_written_ = track; }
    bool wrote(const std::string& real_path) const { return written_.contains(real_path); }

    // The bytes of the copies made so far, or that a preview would make: a move's rename within
    // one disk writes none.
    std::uintmax_t copied_bytes() const { return copied_bytes_; }

    // The folders that copies were written to, one for each disk.
    const std::unordered_map<dev_t, std::string>& written_disks() const { return written_disks_; }

  private:
    struct Placement;
    struct PendingCopy;
    // Where a new copy is made: by a worker, when the disk and the run allow, or here.
    enum class Handing { to_workers, here };
    struct Naming {
        std::string wanted;
        int n;
        std::string candidate;
        std::string folded;
        std::vector<std::uintmax_t> seen;  // sizes of the run's copies at the names passed
    };

    std::optional<PlacedFile> place_new(const SourcePath& source, const std::string& folder,
                                        const std::string& name, Handing handing);
    // Tries "wanted", numbered from `first` on.
    std::optional<PlacedFile> place_from(std::unique_ptr<Placement> p, const std::string& wanted,
                                         int first, Handing handing);
    int first_name_to_try(Placement& p, const std::string& wanted, int first);
    static void remember_sizes(OutputTree::Folder& place, const std::string& wanted,
                               std::vector<std::uintmax_t>& seen, int n);
    OutputTree::Entry* settled_entry(OutputTree::Folder& place, const std::string& folded);
    bool may_hand_over(const Placement& p) const;
    void hand_over(std::unique_ptr<Placement> p, Naming naming);
    // Safe on a worker: it touches only the placement and the disk.
    static NewCopyMade make_new_copy(Disk& disk, Placement& p, const std::string& candidate,
                                     const std::string& temp, NewCopy how);
    PlacedFile after_new_copy(Placement& p, const std::string& candidate, RecordAction action,
                              const NewCopyMade& made);

    bool inside_input(const std::string& real_path) const;
    // What the writer finds at a name that has an entry, for decide_target; `there` gets the
    // stamp of what is there.
    TargetFacts facts_at(Placement& p, const OutputTree::Entry& entry, const FileStamp& from,
                         std::optional<FileStamp>& there);
    void note_record_word(Placement& p, const OutputTree::Entry& entry, const FileStamp& from,
                          const FileStamp& there, TargetFacts& facts) const;
    RecordLine source_line(const Placement& p, RecordAction action, const std::string& name,
                           const FileStamp& target) const;
    bool source_times_show_changes(const FileStamp& source, const std::string& path);
    std::string temp_name();
    // The target's path as the record keeps it: relative to the output folder.
    std::string record_path(const std::string& folder, const std::string& name) const;

    PlacedFile write_new(Placement& p, const std::string& candidate, RecordAction action);
    PlacedFile write_over(Placement& p, OutputTree::Entry& entry);
    // A move within one disk: a rename that never replaces, or replaces only the source's own
    // earlier copy. Nothing when the disks differ or the rename is refused.
    std::optional<PlacedFile> rename_into(Placement& p, const std::string& name,
                                          RecordAction action);
    // Whether the source's bytes were compared with the target's already.
    enum class Bytes { unchecked, checked };
    // After a copy or a find of the source's bytes at the target: checks those bytes, then
    // removes the source.
    PlacedFile release_source(Placement& p, PlacedFile placed, Bytes bytes);
    // In a move, the source goes where its bytes are at the target; a copy keeps it.
    PlacedFile with_source(Placement& p, PlacedFile placed, Bytes bytes);
    // What the writer does at a name the folder has: nothing when it takes the next name.
    std::optional<PlacedFile> place_at(Placement& p, OutputTree::Entry& entry);
    TargetVerdict verdict_at(Placement& p, const OutputTree::Entry& entry, const FileStamp& from,
                             std::optional<FileStamp>& there);
    void note_written(Placement& p, const std::string& name);
    void note_copied(const Placement& p);
    // Marks the entry as this run's placement of the source and adds it to the record.
    PlacedFile placed(Placement& p, OutputTree::Entry& entry, RecordAction action,
                      const FileStamp* target, CopyOutcome outcome = {});

    OutputTree& tree_;
    PlacementRecord& record_;
    const std::vector<std::string>& input_roots_;
    Disk& disk_;
    std::unordered_map<dev_t, std::string> written_disks_;
    std::uintmax_t copied_bytes_ = 0;
    bool track_written_ = false;
    bool move_ = false;
    std::unordered_map<std::uint64_t, bool> source_disks_;
    std::unordered_set<std::string> written_;
    std::string temp_prefix_;
    unsigned long temp_serial_ = 0;
    std::uint64_t settings_ = kSettingsUnknown;
    CopyWorkers* workers_ = nullptr;
    std::function<void()> finish_pending_;
    std::deque<std::shared_ptr<PendingCopy>> pending_;
};

}  // namespace trackfold
