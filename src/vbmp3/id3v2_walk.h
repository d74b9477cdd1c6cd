#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trackfold {

struct Id3v2Texts {
    std::string artist;  // UTF-8, several values joined with "/"; "" when the tag has none
    std::string album;
    std::string album_artist;
};

// The bytes an ID3v2 tag at the head of a file takes, header and footer included, as its
// header declares them; 0 when `head` (at least its first 10 bytes) starts no ID3v2 tag.
std::size_t id3v2_tag_size(std::string_view head);

// Reads the artist, album and album artist frames of the ID3v2 tag at the start of `bytes` (which
// may end before the tag's declared end) where TagLib gives up: it steps over zero-size frames and
// frames with odd IDs, and sizes an ID3v2.3 extended header as that version defines it. It
// stops at the first frame that does not fit in the tag, so garbage yields no text.
// 8-bit texts are read as the chosen code page rules say.
Id3v2Texts read_id3v2_texts(std::string_view bytes);

}  // namespace trackfold
