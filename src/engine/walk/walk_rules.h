#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <utility>

namespace trackfold {

// Which folders a walk enters, asked by the walk and by the count of its files alike, so that
// the two agree. Each folder is entered once, by the first way the walk meets it; the run's
// own output folder inside the input is not entered (unless it is the input itself), nor the
// system's own folders (/proc, /sys, /dev, /run, where a link to "/" would lead the walk
// through every process's files) unless the input lies there.
class WalkRules {
  public:
    WalkRules(std::string input_real, std::string output_real);

    enum class Verdict { enter, walked_already, system_folder, own_output };
    struct Decision {
        Verdict verdict;
        std::string walked_as{};  // walked_already: the path it was entered by
    };
    // `path` as the walk names it, its real path ("" when unknown) and its device and inode.
    Decision enter(const std::string& path, const std::string& real, dev_t device, ino_t inode);

  private:
    std::string input_real_;
    std::string output_real_;
    std::map<std::pair<dev_t, ino_t>, std::string> entered_;
};

// A folder of the system's own, by its real path: its files are no music.
bool is_system_folder(const std::string& real_path);

}  // namespace trackfold
