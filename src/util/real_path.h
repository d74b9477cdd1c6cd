#pragma once

#include <string>

namespace trackfold {

// The path with every link, "." and ".." resolved, or "" when it cannot be (it is not there, a
// folder on the way may not be read). Folders are compared by it, so ".." and links cannot
// make one folder pass for another.
std::string real_path(const std::string& path);

}  // namespace trackfold
