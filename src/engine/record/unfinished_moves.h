#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/record/record_line.h"

namespace trackfold {

// Where the moves that did not finish took each source folder's audio. A move killed or
// cancelled part way through a folder left its companions there; the run that takes up the
// rest decides where they go from all of the folder's audio, the part moved already included,
// so a cover neither stays behind its album nor follows the half of a folder that was left.
// What a run that finished whole says supersedes all before it: that run walked what they left.
class UnfinishedMoves {
  public:
    // Every line of the record, in the order of the file.
    void add(const RecordLine& line);

    // The target folders (relative to the output folder, ending in the separator) that
    // unfinished moves took audio from `real_folder` to: none, one, or two when there were
    // several.
    const std::vector<std::string>& targets_from(const std::string& real_folder) const;

  private:
    std::unordered_map<std::string, std::vector<std::string>> folders_;
};

}  // namespace trackfold
