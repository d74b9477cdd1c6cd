#pragma once

#include <filesystem>
#include <string>

namespace trackfold::bench {

// The processor, the cores online, the memory and the kernel, so that figures from two
// machines can be told apart.
std::string machine_text();

// The file system that holds `folder`, the device it is mounted from and whether that device
// spins, as far as the kernel tells.
std::string disk_text(const std::filesystem::path& folder);

}  // namespace trackfold::bench
