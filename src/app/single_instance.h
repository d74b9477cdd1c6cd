#pragma once

#include <QLockFile>
#include <QString>

namespace trackfold {

// The lock file that marks a running copy of the program, in the user's runtime folder.
QString instance_lock_path();

// Takes the lock for this process. False only when another live process holds it: a lock
// that cannot be made at all (no such folder, no rights) does not keep the program from starting.
bool acquire_single_instance(QLockFile& lock);

}  // namespace trackfold
