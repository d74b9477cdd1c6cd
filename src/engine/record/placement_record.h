#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/fsio/disk.h"
#include "engine/record/record_index.h"
#include "engine/record/record_line.h"

namespace trackfold {

// Why a placement record cannot be used, beyond what the system says.
enum class RecordError {
    not_regular = 1,   // a folder, a FIFO, a device: reading it could block for ever
    is_link,           // a link leads elsewhere: the record must be the output's own
    linked_twice,      // hard-linked: it may belong to another output as well
    foreign_owner,     // another user's, who could have written any line in it
    others_may_write,  // writable by others, who could have written any line in it
    undo_going,        // an undo of this output is going on
    run_going,         // a run into this output is going on
    no_locks,          // the disk keeps no locks, so whether a run is going on cannot be told
    missing,           // there is no record to undo from
};
std::error_code make_error_code(RecordError error);

}  // namespace trackfold

template <>
struct std::is_error_code_enum<trackfold::RecordError> : std::true_type {};

namespace trackfold {

// What the record is opened for.
enum class RecordUse {
    preview,       // read only, if it is there
    run,           // read, then appended to; made when missing; shared with other runs
    undo,          // read, then appended to; held alone, so no run goes on meanwhile
    undo_preview,  // read only, as an undo would read it
};

// Whether the user vouched for a record that the checks of ownership would refuse.
enum class RecordTrust { checked, given };

// Told of a readable line of the record and where it starts.
using LineSeen = std::function<void(const RecordLine&, std::uint64_t)>;

// Lines are held back only while the disk has this much room besides what the copies since
// took: a copy that fills it fails and gives its room back, so the lines still find room. On a
// disk nearly full each goes out at once, while it still fits, so that undo knows every copy.
inline constexpr std::uint64_t kRoomToHoldBack = std::uint64_t{4} << 30;

// The placement record of one output folder: a text file at its root that every run appends
// to, a line for each file it places, so that a later run can tell its own earlier copies from
// anything else found under a target's name. It grows by appends of whole lines, many in one
// write that lands whole (under a lock where the disk could break it up), so two runs at once
// keep it readable and a killed run loses at most the lines it still held back; only a
// compaction, holding it alone, replaces it whole (record_compaction.h). Lines that cannot be
// read are ignored: what they would have said is then found out by comparing bytes. It is
// opened once per run and read through that one descriptor, which also holds the run's locks
// (see output_lock.h): once, when it is opened, for a run as for an undo, which then reads
// again only the lines of the run it takes back.
class PlacementRecord {
  public:
    // output_folder ends in the separator. Nothing is read until open().
    explicit PlacementRecord(std::string output_folder);
    ~PlacementRecord();
    PlacementRecord(const PlacementRecord&) = delete;
    PlacementRecord& operator=(const PlacementRecord&) = delete;

    // Opens, checks, locks and reads the record, in one pass that fills the index and shows
    // `also` every readable line, in the order of the file. An undo's index knows only the
    // runs, and an undo's open fails when the record cannot be read to its end: it decides from
    // the whole of it. An error says why it cannot be used; then it counts as empty and nothing
    // is written to it.
    std::error_code open(RecordUse use, RecordTrust trust = RecordTrust::checked,
                         const LineSeen& also = {});

    const std::string& path() const { return path_; }
    const std::string& output_folder() const { return output_; }
    const RecordIndex& index() const { return index_; }
    // Its owner and permissions show that only the user (or root) wrote it: only then may its
    // word let a file be replaced.
    bool trusted() const { return trusted_; }
    // The open record, for a compaction that replaces it whole while it holds it alone.
    int descriptor() const { return fd_; }

    // This run's id, new for every record object, and the start of its temporary files' names.
    const std::string& run_id() const { return run_id_; }
    std::string temp_prefix() const;

    // Writes the first line of a run (Start, with the input folder in `text`, or Undo, with the
    // run it undoes), making the record's first line where it is new.
    std::error_code begin(RecordAction kind, const std::string& text);
    bool begun() const { return begun_; }
    // One line of this run; its run id and time are filled in here. A run's is held back, to
    // go with the next write: when the lines held pass 64 KiB, or anything else is written.
    void append(RecordLine line);
    // Several lines in one write, after those held back; false when they could not all be
    // written.
    bool append_all(std::vector<RecordLine> lines);
    // Several lines in one write, then on the disk before this returns.
    std::error_code append_durably(std::vector<RecordLine> lines);
    // The last line of this run, then everything written is flushed to the disk.
    std::error_code end(const std::string& outcome);
    // Puts what was appended so far on the disk.
    std::error_code flush();
    // The first write that failed, as end() and flush() report it.
    std::error_code write_error() const { return write_error_; }
    // A run's record that could not be read whole: it then counts as empty, and is written.
    std::error_code read_error() const { return read_error_; }

    // Whether a file name is a temporary that a run in this record made and left behind: a
    // name of exactly our form (temp_names.h) whose run the record knows and that has ended.
    bool is_stale_temp(const std::string& name) const;
    // Removes from the folder open as `folder_fd` every file that is_stale_temp names; only
    // while no run can be going on, as when the record is held alone.
    void sweep_stale_temps(int folder_fd, Disk& disk) const;

    // The line at `offset`, read again, to confirm what the index says.
    std::optional<RecordLine> line_at(std::uint64_t offset) const;

    // The readable lines that start at `offsets`, in ascending order, read in one sweep forward
    // from the first of them to the last: what an undo reads again of the run it takes back.
    std::error_code for_each_at(const std::vector<std::uint64_t>& offsets,
                                const LineSeen& take) const;

    // Every readable line from `from` on and where it starts, in the order of the file, until
    // `take` returns false: what a compaction rewrites the record from.
    std::error_code for_each(const std::function<bool(const RecordLine&, std::uint64_t)>& take,
                             std::uint64_t from = 0) const;
    // Every whole line's text, read or not, and where it starts, until `take` returns false.
    std::error_code for_each_text(
        const std::function<bool(std::string_view, std::uint64_t)>& take) const;
    // The record's size when open() read it: where lines appended since begin.
    std::uint64_t size_when_read() const { return size_when_read_; }

  private:
    class Writing;

    std::error_code check_and_lock(RecordUse use, RecordTrust trust);
    std::error_code lock_once(RecordUse use, RecordTrust trust);
    std::error_code load(RecordUse use, const LineSeen& also);
    std::string start_of_run() const;
    bool write_out(std::string_view more);
    void note_error(int error);
    std::string stamped(RecordLine line) const;

    std::string output_;
    std::string path_;
    RecordIndex index_;
    std::string run_id_;
    int fd_ = -1;
    int folder_fd_ = -1;  // locked by begin(), and by each write where the disk needs that
    bool writable_ = false;
    bool trusted_ = false;
    bool begun_ = false;
    std::uint64_t size_when_read_ = 0;
    std::string held_back_;             // whole lines appended and not yet written
    std::size_t hold_back_ = 0;         // written once they pass this
    std::uint64_t room_ = 0;            // on the disk, as far as known, less the copies since
    std::size_t lines_since_room_ = 0;  // bytes appended since room_ was learnt
    std::error_code write_error_;
    std::error_code read_error_;
};

// Calls `take` with every readable line of the record at `path` and where it starts, in the
// order of the file, until it returns false. An error when the record cannot be read, or is
// not a regular file.
std::error_code read_record(const std::string& path,
                            const std::function<bool(const RecordLine&, std::uint64_t)>& take);

}  // namespace trackfold
