#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

#include "engine/record_index.h"
#include "engine/record_line.h"

namespace trackfold {

// The placement record of one output folder: a text file at its root that every run appends
// to, a line for each file it places, so that a later run can tell its own earlier copies from
// anything else found under a target's name. It only ever grows by appends of whole lines,
// each in one write under a lock, so two runs at once keep it readable and a killed run loses
// at most its last line. Lines that cannot be read are ignored: what they would have said is
// then found out by comparing bytes. A line that cannot be written is remembered as an error;
// the run goes on, as nothing is lost by it.
class PlacementRecord {
  public:
    // output_folder ends in the separator. Reads the record now; a missing one is empty.
    explicit PlacementRecord(std::string output_folder);
    ~PlacementRecord();
    PlacementRecord(const PlacementRecord&) = delete;
    PlacementRecord& operator=(const PlacementRecord&) = delete;

    const std::string& path() const { return path_; }
    const std::string& output_folder() const { return output_; }
    const RecordIndex& index() const { return index_; }
    // Set when the record exists but cannot be read; it then counts as empty.
    std::error_code read_error() const { return read_error_; }

    // This run's id, new for every record object, and the start of its temporary files' names.
    const std::string& run_id() const { return run_id_; }
    std::string temp_prefix() const;

    // Opens the record for appending, making it when missing, and writes the first line of a
    // run (Start, with the input folder in `text`, or Undo, with the run it undoes).
    std::error_code begin(RecordAction kind, const std::string& text);
    bool begun() const { return begun_; }
    // One line of this run; its run id and time are filled in here.
    void append(RecordLine line);
    // The last line of this run, then everything written is flushed to the disk.
    std::error_code end(const std::string& outcome);
    // Puts what was appended so far on the disk.
    std::error_code flush();
    // The first append that failed since begin().
    std::error_code write_error() const { return write_error_; }

    // Whether a file name is a temporary that a run in this record made and left behind: its
    // run is known here and has ended or its process is gone. Anything else is left alone.
    bool is_stale_temp(const std::string& name) const;

    // The line at `offset`, read again from the file, to confirm what the index says.
    std::optional<RecordLine> line_at(std::uint64_t offset) const;

  private:
    class Writing;

    void load();
    void note_error(int error);

    std::string output_;
    std::string path_;
    RecordIndex index_;
    std::error_code read_error_;
    std::string run_id_;
    int fd_ = -1;
    int folder_fd_ = -1;
    bool begun_ = false;
    std::error_code write_error_;
};

// Calls `take` with every readable line of the record at `path` and where it starts, in the
// order of the file, until it returns false. An error when the record cannot be read.
std::error_code read_record(const std::string& path,
                            const std::function<bool(const RecordLine&, std::uint64_t)>& take);

}  // namespace trackfold
