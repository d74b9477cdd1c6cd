#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <unordered_map>

namespace trackfold {

// Copies sources into the output tree without ever losing a file: the source is only read, a
// copy that replaces a file lands under a temporary name first and takes its place in one
// rename, and two different files of one run that map to the same target are kept side by side.
class TargetWriter {
  public:
    TargetWriter();
    // Copies source to folder + name (folder ends in a separator), or to "name (2)" and so
    // on when this run already wrote a different file there. Returns the target used.
    std::string copy(const std::string& source, const std::string& folder, const std::string& name,
                     std::error_code& ec);

  private:
    std::string free_target(const std::string& source, std::uintmax_t size,
                            const std::string& folder, const std::string& name);

    std::unordered_map<std::string, std::uintmax_t> written_;  // target and its size
    std::string temp_prefix_;
    unsigned long temp_serial_ = 0;
};

// Byte-for-byte equality of two files; false when either cannot be read.
bool same_content(const std::string& a, const std::string& b);

}  // namespace trackfold
