#pragma once

#include <string>
#include <system_error>

namespace trackfold {

struct CopyOutcome {
    std::error_code error;       // set: nothing was placed, and nothing of this copy is left
    std::error_code time_error;  // set: a whole copy was placed, without the source's times
};

// Copies `from` to folder + name, a name that must not exist, and gives the copy the source's
// times. The source is opened read-only. Nothing appears under the name before the copy is
// whole: with `unnamed` the copy is written as a file without a name and linked in at the end,
// otherwise it is written under folder + temp and renamed, never over a file that appeared
// meanwhile. An error EEXIST means the name was taken.
CopyOutcome copy_to_new(const std::string& from, const std::string& folder, const std::string& name,
                        const std::string& temp, bool unnamed);

// Replaces the file folder + name by a copy of `from`, written under folder + temp first, so the
// file there stays whole until the copy is.
CopyOutcome copy_over(const std::string& from, const std::string& folder, const std::string& name,
                      const std::string& temp);

}  // namespace trackfold
