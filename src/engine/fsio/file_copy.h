#pragma once

#include <sys/stat.h>

#include <string>
#include <system_error>

namespace trackfold {

// A source file opened read-only, and what fstat told of it. Copies read it by offset, so one
// source may be copied more than once.
struct OpenSource {
    int fd;
    struct stat info;
};

struct CopyOutcome {
    std::error_code error;       // set: nothing was placed, and nothing of this copy is left
    std::error_code time_error;  // set: a whole copy was placed, without the source's times
};

// The error of a copy whose source changed while it was read: the copy could hold parts of two
// versions, so it was not placed.
std::error_code source_changed_error();

// How a new copy gets its name: written under a temporary name of ours and renamed, or written
// as a file without a name and linked in whole (where the disk can: DiskTraits::unnamed_files).
enum class NewCopy { via_temporary, unnamed };

// Whether a copy is on the disk, name and all, when the call returns, or once its disk is
// flushed.
enum class Durability { when_flushed, at_once };

// Copies the source to `name` in the folder open as folder_fd, a name that must not exist, and
// gives the copy the source's times. Nothing appears under the name before the copy is whole,
// and it is never renamed over a file that appeared meanwhile, also one another process put
// there. An error EEXIST means the name was taken. A source whose size or times differ from
// source.info once it is read is not placed. `temp` is used only via_temporary.
CopyOutcome copy_to_new(const OpenSource& source, int folder_fd, const std::string& name,
                        const std::string& temp, NewCopy how,
                        Durability durability = Durability::when_flushed);

// Replaces the file `name` in the folder open as folder_fd by a copy of the source, written
// under `temp` first, so the file there stays whole until the copy is.
CopyOutcome copy_over(const OpenSource& source, int folder_fd, const std::string& name,
                      const std::string& temp, Durability durability = Durability::when_flushed);

// Like renameat, but the error EEXIST rather than replace what is at `to`, also what another
// process put there.
std::error_code rename_no_replace(int from_dir, const std::string& from, int to_dir,
                                  const std::string& to);

// Writes everything of the folder's disk to the disk.
std::error_code flush_disk(const std::string& folder);

}  // namespace trackfold
