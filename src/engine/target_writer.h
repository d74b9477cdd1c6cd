#pragma once

#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "engine/output_tree.h"

namespace trackfold {

struct PlacedFile {
    std::string target;          // the file the source went to, or was to go to
    std::error_code error;       // set: the source was not placed
    std::error_code time_error;  // set: a whole copy was placed without the source's time
};

// Places sources in the output tree without ever losing a file. The source is only read. A
// file of the input tree is never written or replaced: a target that is one, unless it holds
// the very bytes of the source, makes the copy take the next numbered name. Two different
// files of one run that map to one target are kept side by side. Outside the input tree an
// earlier run's target is kept when it has the source's size and time, and otherwise replaced
// in one rename by a whole copy.
class TargetWriter {
  public:
    // input_roots: the real paths of the folders the walk takes sources from, kept up to date
    // by the walk as it meets linked folders.
    TargetWriter(OutputTree& tree, const std::vector<std::string>& input_roots);

    // Places source in folder (ending in a separator) under name, or "name (2)" and so on.
    PlacedFile copy(const std::string& source, const std::string& folder, const std::string& name);

  private:
    bool inside_input(const std::string& real_path) const;
    std::string temp_name();

    // The preview's stand-in for a copy: the name is taken as a copy would take it.
    PlacedFile preview_place(OutputTree::Folder& place, const std::string& folder,
                             const std::string& source, const std::string& candidate);

    OutputTree& tree_;
    const std::vector<std::string>& input_roots_;
    // In a preview, the source each placed target would hold, for the one-recording check.
    std::unordered_map<std::string, std::string> preview_sources_;
    std::string temp_prefix_;
    unsigned long temp_serial_ = 0;
};

// Byte-for-byte equality of two files (true at once for one file under two names); false when
// either cannot be read.
bool same_content(const std::string& a, const std::string& b);

}  // namespace trackfold
