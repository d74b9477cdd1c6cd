#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

// True for the extensions (lower case, without the dot) whose tags Trackfold reads: "mp3" and
// what TagLib reads besides.
bool is_supported_extension(std::string_view extension);

// Every one of them, "mp3" first, for a choice of the types to take.
std::vector<std::string_view> supported_extensions();

// True for the extensions read through TagLib's own format classes rather than the MP3 library.
bool is_taglib_extension(std::string_view extension);

struct FileTags {
    bool error = false;    // the file could not be opened as its format
    std::string artist{};  // UTF-8, several values joined with "/"; "" when absent or blank
    std::string album{};
    std::string album_artist{};
    std::string title{};
    std::string year{};   // as tagged: "1979" or "1979-11-30"
    std::string track{};  // as tagged: "3" or "3/12"
    std::string disc{};   // as tagged: "2" or "2/3"
    std::string genre{};
};

// Why a file that opens could not be read as the format its extension names, in a few words:
// "not a FLAC file"; for an MP3 or an unknown type "no MPEG audio found".
std::string format_error(std::string_view extension);

// Reads a file of one of the TagLib extensions, only ever for reading. Each field comes from
// the first of the format's tags that has it (FLAC: Vorbis comment, ID3v2, ID3v1).
FileTags read_file_tags(const std::string& path, std::string_view extension);

}  // namespace trackfold
