#include "workspace.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace trackfold::bench {

Workspace::Workspace(const fs::path& parent, AtEnd at_end) : at_end_(at_end) {
    std::string pattern = (parent / "trackfold-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a folder under " + parent.string());
    }
    path_ = pattern;
}

Workspace::~Workspace() {
    if (at_end_ == AtEnd::Remove) {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
}

}  // namespace trackfold::bench
