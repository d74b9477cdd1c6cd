#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "engine/walk/tag_read_ahead.h"

namespace trackfold {

// One folder's tags from the read-ahead, in walk order, and what its albums' disc tags say
// together. Only a file that needs its album's other discs makes the rest be read first.
class FolderTags {
  public:
    FolderTags(TagReadAhead& read_ahead, std::size_t count);

    // Tags read ahead of the walk already, from the first, in walk order.
    void preload(std::vector<TagResult> tags);
    // The next file's tags.
    TagResult take();
    // Whether the album's files in the folder hold different disc numbers.
    bool discs_differ(const std::string& album);
    // The disc folder of a file of the folder (disc_folder), whose name says folder_disc.
    int disc_folder_of(const TagResult& tags, int folder_disc);

  private:
    void note(const TagResult& tags);

    struct Discs {
        int first = 0;
        bool differ = false;
    };
    TagReadAhead& read_ahead_;
    std::size_t count_;
    std::size_t read_ = 0;  // indexes taken from the read-ahead
    std::deque<TagResult> ahead_;
    std::map<std::string, Discs> albums_;
};

}  // namespace trackfold
