#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/walk/ignored_names.h"
#include "engine/walk/walk_rules.h"

namespace trackfold {

// The bytes of the files counted.
struct CountedBytes {
    std::uintmax_t all = 0;
    std::uintmax_t other_disks = 0;  // of files on another disk than the output's: a move copies
                                     // these, and renames the others
};

// Whether the count adds up the sizes of the files too: a stat of each.
enum class CountedSizes { none, all };

// A quick count of the files a run will take, made on its own thread while the walk goes on,
// so that progress can show a total without the walk waiting for it. It lists folders as the
// walk does and takes the types and leaves out the names the settings name when the run starts;
// a hand edit of them during the run makes it an estimate.
class FileCount {
  public:
    // The output folder is not counted when it lies in the input, as the walk does not walk it;
    // `output_device` is the disk it is on.
    FileCount(std::string input, std::vector<std::string> accepted, std::string output,
              std::uint64_t output_device = 0, CountedSizes sizes = CountedSizes::all,
              IgnorePatterns ignore = {});
    ~FileCount();
    FileCount(const FileCount&) = delete;
    FileCount& operator=(const FileCount&) = delete;

    // The total, once the count is done.
    std::optional<std::size_t> total() const;
    // Their bytes, once the count is done, when it counted them.
    std::optional<CountedBytes> bytes() const;

  private:
    void count(const std::string& folder, const std::string& real, WalkRules& rules);

    std::vector<std::string> accepted_;
    IgnorePatterns ignore_;
    std::uint64_t output_device_;
    CountedSizes sizes_;
    std::size_t counted_ = 0;
    CountedBytes bytes_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<std::size_t> total_{0};
    std::thread thread_;
};

}  // namespace trackfold
