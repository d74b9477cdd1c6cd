#include "engine/walk/walk_rules.h"

#include "engine/fsio/path_inside.h"

namespace trackfold {

namespace {}  // namespace

bool is_system_folder(const std::string& real_path) {
    // Removable disks are mounted below /run/media on many desktops.
    if (is_inside(real_path, "/run/media")) {
        return false;
    }
    for (const char* system : {"/proc", "/sys", "/dev", "/run"}) {
        if (is_inside(real_path, system)) {
            return true;
        }
    }
    return false;
}

WalkRules::WalkRules(std::string input_real, std::string output_real)
    : input_real_(std::move(input_real)), output_real_(std::move(output_real)) {}

WalkRules::Decision WalkRules::enter(const std::string& path, const std::string& real, dev_t device,
                                     ino_t inode) {
    if (!real.empty() && real == output_real_ && real != input_real_) {
        return {Verdict::own_output};
    }
    if (!real.empty() && is_system_folder(real) && !is_system_folder(input_real_)) {
        return {Verdict::system_folder};
    }
    const auto [at, first] = entered_.try_emplace({device, inode}, path);
    return first ? Decision{Verdict::enter} : Decision{Verdict::walked_already, at->second};
}

}  // namespace trackfold
