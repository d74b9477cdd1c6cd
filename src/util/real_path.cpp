#include "util/real_path.h"

#include <cstdlib>
#include <memory>

namespace trackfold {

std::string real_path(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? resolved.get() : "";
}

}  // namespace trackfold
