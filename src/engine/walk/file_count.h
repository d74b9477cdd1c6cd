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

// Whether the count adds up the sizes of the files too: a stat of each, unless the output's disk
// has room for every byte in use on the disks the input lies on.
enum class CountedSizes { none, all };

// Whether the sizes of the files can tell whether they fit: not when the output's disk has room
// for all that is in use on the input's disks (a sparse or compressed file may still take more
// room than its disk gave it; a full disk then stops the run itself).
bool sizes_can_matter(std::uintmax_t used_on_input_disks, std::uintmax_t free_on_output);

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
    void count_all(const std::string& input, const std::string& output);
    void count(const std::string& folder, const std::string& real, WalkRules& rules);
    // Of a folder of the walk on `device`: whether its files' sizes must be counted.
    bool sizes_matter(const std::string& folder, std::uint64_t device);

    std::vector<std::string> accepted_;
    IgnorePatterns ignore_;
    std::uint64_t output_device_;
    CountedSizes sizes_;
    std::uintmax_t output_free_ = 0;
    std::vector<std::uint64_t> input_disks_;  // seen by the count so far
    std::uintmax_t used_on_input_disks_ = 0;
    bool exact_ = false;    // the sizes matter: each file is stated
    bool unsized_ = false;  // files were counted before they did
    std::size_t counted_ = 0;
    CountedBytes bytes_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<std::size_t> total_{0};
    std::thread thread_;
};

}  // namespace trackfold
