#pragma once

#include <string>

namespace trackfold {

// Who is working on an output folder is told by locks on bytes far past the end of its
// placement record, held for as long as the record is open: a held lock, not a process id, says
// a run is alive, so it holds across PID namespaces, and across machines as far as the disk
// shares its locks (the kernel's own disks, NFS and SMB hand them to the server; a FUSE disk
// keeps them on this machine). The locks are the kernel's open file description locks, so a
// record open twice in one process holds two sets.
enum class LockResult {
    held,         // taken
    busy,         // someone else holds what conflicts with it
    unsupported,  // this disk keeps no locks
};

// Every run and move into the output shares this one; an undo takes it alone, so that no undo
// runs while a run is alive, and no run starts while an undo is.
LockResult share_output_lock(int record_fd);
LockResult own_output_lock(int record_fd);

// Each run holds a lock of its own, so that its temporary files are known to be alive.
LockResult hold_run_lock(int record_fd, const std::string& run);

// Whether nobody holds the lock of run `run`: false also when that cannot be told.
bool run_lock_free(int record_fd, const std::string& run);

}  // namespace trackfold
