#pragma once

#include <string>

namespace trackfold {

// Byte-for-byte equality of two files (true at once for one file under two names); false when
// either cannot be read.
bool same_content(const std::string& a, const std::string& b);
// The same of two open files; only regular files can be the same.
bool same_content_of(int fd_a, int fd_b);

}  // namespace trackfold
