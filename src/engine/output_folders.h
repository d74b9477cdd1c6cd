#pragma once

#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace trackfold {

// Creates the output folders of one run. Folder names match without regard to letter case,
// as they do on the disks many players use: when "The Beatles" exists, "the beatles" goes
// into it. Each parent folder is listed once per run, not once per file.
class OutputFolders {
  public:
    // Makes sure the folder exists, with any missing parents; the text is used as it is.
    void ensure(const std::string& folder, std::error_code& ec);

    // Makes sure parent + name exists, reusing a folder whose name differs only in case.
    // Returns parent + the name actually used (parent ends in a separator).
    std::string ensure_child(const std::string& parent, const std::string& name,
                             std::error_code& ec);

  private:
    struct Listing {
        std::unordered_set<std::string> exact;
        std::unordered_map<std::string, std::string> by_folded;
    };
    Listing& listing_of(const std::string& parent);

    std::unordered_set<std::string> ensured_;
    std::unordered_map<std::string, Listing> listings_;  // by the folder's normal form
    std::unordered_map<std::string, Listing*> by_text_;  // by the parent text as given
};

}  // namespace trackfold
