#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/walk/tag_read_ahead.h"

namespace trackfold {

// The code page each album of a folder was judged to be in, with "auto": the files whose album
// tag reads alike in the folder are one album, and their 8-bit texts (artist, album, titles)
// vote together, the locale's code page the prior. A verdict holds for the folder: a file
// whose tags are read later is read as its album was.
class AlbumCodePages {
  public:
    // Forgets the verdicts of the folder before; the locale's code page is the prior.
    void enter_folder();

    // Judges the albums among a folder's tags and reads their names as judged.
    void judge(std::vector<TagResult>& tags);
    // One more of the folder's files: read as its album was judged, or judged alone.
    void apply(TagResult& tags);

  private:
    const std::string& verdict(const std::string& album, const std::vector<LegacyText>& texts);
    void read_as_judged(TagResult& tags, const std::string& code_page) const;

    std::string prior_;
    std::map<std::string, std::string> verdicts_;  // by the album as read in the prior
};

// With "auto": reads all `count` tags of the folder's batch before any file is placed, as the
// judging needs, and judges them. `go_on` (which lets the window have its turn) is asked about
// every fifth of a second, so a folder of thousands of files on a slow disk keeps the window
// alive: false leaves the rest unread.
std::vector<TagResult> read_and_judge(TagReadAhead& read_ahead, std::size_t count,
                                      AlbumCodePages& judge, const std::function<bool()>& go_on);

}  // namespace trackfold
