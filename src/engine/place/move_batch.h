#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "engine/events/run_events.h"
#include "engine/fsio/file_stamp.h"
#include "engine/record/placement_record.h"

namespace trackfold {

// A source a move has placed, waiting to go until its copy is on the disk.
struct PendingRemoval {
    std::string path;
    FileStamp stamp;  // as it was when its bytes were compared
    RecordLine line;  // the record's word that it goes
    std::string target_path;
    bool recheck_bytes = false;  // its disk's times cannot show an edit
};

// The sources a move removes together, each with the event that tells of it and every event
// after it. One flush then serves many files, and the front ends still hear of each file once,
// in the order it was met, with what became of its source. Like an object store's
// transaction, commit() flushes, records, removes and only then reports.
class MoveBatch {
  public:
    using Report = std::function<void(const RunEvent&)>;
    MoveBatch(PlacementRecord& record, Report report);

    // An event, and with a placed file the removal that waits for it: told at once while
    // nothing waits, held after whatever does.
    void add(RunEvent event, std::optional<PendingRemoval> removal = std::nullopt);

    // So much waits that it should go now: about 500 files or 512 MiB.
    bool full() const;

    // The disks in `written` (a folder of each) and the record are flushed, the record says
    // durably that the sources go, each source still holding the bytes placed is removed, and
    // every held event is told.
    void commit(const std::unordered_map<dev_t, std::string>& written);

  private:
    struct Held {
        RunEvent event;
        std::optional<PendingRemoval> removal;
    };
    struct Fate {
        SourceFate fate = SourceFate::Stuck;
        std::error_code error;
        std::uintmax_t bytes_freed = 0;
    };
    Fate remove_one(const PendingRemoval& removal, std::error_code on_disk) const;
    std::error_code make_durable(const std::vector<Held>& batch,
                                 const std::unordered_map<dev_t, std::string>& written);

    PlacementRecord& record_;
    Report report_;
    std::vector<Held> held_;
    std::size_t files_ = 0;
    std::uintmax_t bytes_ = 0;
};

}  // namespace trackfold
