#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "engine/fsio/disk_traits.h"
#include "engine/fsio/file_copy.h"

namespace trackfold {

// Whether a run changes the disks or only tells what it would do.
enum class DiskMode { real, preview };

// What a disk does with names and times, as far as the run can learn it.
struct LearntTraits {
    DiskTraits traits;
    bool settled = true;  // false: learnt again in the next folder of this disk
    bool unsure = false;  // the rules of this disk cannot be told without writing to it
};

// What removing a moved source would meet, as a preview foresees it.
struct ForeseenRemoval {
    std::error_code error;     // set: the source would stay
    bool frees_bytes = false;  // its copy lies on another disk, so its size is freed
};

struct MadeFolder {
    bool made_now = false;  // false with no error: it was there already
    std::error_code error{};
};

// One copy a run makes: from the file at `source_path`, open as `source`, into the folder
// `folder` (ending in the separator), open as `folder_fd`, under `name`.
struct CopyJob {
    const OpenSource& source;
    const std::string& source_path;
    int folder_fd;
    const std::string& folder;
    const std::string& name;
};

// A file an undo puts back where a run took it from: the file `name` in the folder open as
// `from_dir` goes to the plain relative path `relative` below the folder open as `root_fd`,
// folders on the way made again, never over anything there and never through a link.
struct CarryBack {
    int from_dir;
    const std::string& name;
    int root_fd;
    const std::string& relative;
    enum class Way { move, copy } way;  // a move leaves nothing at `name`
    const std::string& temp;            // a temporary name of ours, where a copy needs one
    std::int64_t mtime_ns;              // the time it had there
};

// Every change a run makes to the disks goes through here, and nowhere else does the engine
// know whether it previews. The real disk makes the change. The preview's disk changes nothing
// and answers what the change would meet, from what is on the disk now and what the run has
// planned so far, so that everything else decides as in the run that follows.
class Disk {
  public:
    virtual ~Disk() = default;

    // Before the walk: why the output folder cannot be made and written, or "". `probe` is
    // the name of a file the check may make and remove again.
    virtual std::string output_problem(const std::string& output, const std::string& probe) = 0;
    // The run writes to its placement record, rather than only reading it.
    virtual bool keeps_record() const = 0;
    // Copies may be made on other threads while the run decides the next ones. The preview's
    // disk answers from what the run planned, in the run's order, so it takes one at a time.
    virtual bool copies_in_parallel() const = 0;
    // What the disk of `folder` does with names and times, probed with temporaries of ours.
    virtual LearntTraits learn(const std::string& folder, const std::string& temp_prefix) = 0;

    // What it means that a target folder could not be opened, with errno `error`: nothing can
    // be placed in it; none for a preview, where it is one the run would make.
    virtual std::error_code unopened_folder(int error) const = 0;
    virtual MadeFolder make_folder(const std::string& path) = 0;
    // Removes a folder when it is empty; true when it went.
    virtual bool remove_empty_folder(const std::string& path) = 0;
    // A temporary file that an earlier run left behind.
    virtual void remove_temporary(int folder_fd, const std::string& name) = 0;

    virtual CopyOutcome copy_to_new(const CopyJob& job, const std::string& temp, NewCopy how) = 0;
    virtual CopyOutcome copy_over(const CopyJob& job, const std::string& temp) = 0;
    // A move within one disk. Over a file there only with Overwrite::yes, else EEXIST.
    enum class Overwrite { no, yes };
    virtual std::error_code rename_into(const std::string& source_path, int folder_fd,
                                        const std::string& name, Overwrite overwrite) = 0;
    // Whether the target holds the source's bytes, or would once the run had placed them.
    virtual bool same_content(const std::string& source, const std::string& target) const = 0;
    // Nothing on a real disk, where a moved source waits for its batch; in a preview, what
    // removing it would meet.
    virtual std::optional<ForeseenRemoval> foresee_removal(const std::string& source_path,
                                                           std::uint64_t source_device,
                                                           const std::string& target_folder) = 0;
    // Puts everything written to the disk of `folder` on the disk.
    virtual std::error_code flush(const std::string& folder) = 0;

    // What an undo does: removes the file or the empty folder `name` in the folder open as
    // `folder_fd`, and puts a file back, within one disk by a rename, else by a copy whose
    // bytes are checked and that is on the disk before it is named.
    virtual std::error_code remove_file(int folder_fd, const std::string& name) = 0;
    virtual bool remove_folder_at(int folder_fd, const std::string& name) = 0;
    virtual std::error_code carry_back(const CarryBack& job) = 0;
};

// The one place where the mode becomes behaviour.
std::unique_ptr<Disk> make_disk(DiskMode mode);
// A real disk for every run that is no preview: it keeps nothing of its own.
Disk& real_disk();

}  // namespace trackfold
