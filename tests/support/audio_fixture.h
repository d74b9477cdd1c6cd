#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace trackfold::test {

// The smallest streams TagLib takes for each format, with no real audio.
enum class AudioType { Flac, OggVorbis, Opus, M4a, Wma, Wav };

struct AudioTags {
    std::vector<std::string> artists{};  // UTF-8; several are several values
    std::string album{};
    std::string album_artist{};
};

// A file of `type` whose tags TagLib writes in the format's own tag (FLAC, Ogg: Vorbis
// comment; M4A: MP4 items; WMA: ASF attributes; WAV: ID3v2 and RIFF INFO). Creates parent folders.
void make_audio_file(const std::filesystem::path& path, AudioType type, const AudioTags& tags);

}  // namespace trackfold::test
