#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace trackfold::test {

// The smallest streams TagLib takes for each format, with no real audio.
enum class AudioType { Flac, OggVorbis, Opus, M4a, Wma, Wav, Musepack, WavPack };

struct AudioTags {
    std::vector<std::string> artists{};  // UTF-8; several are several values
    std::string album{};
    std::string album_artist{};
};

// A file of `type` whose tags TagLib writes in the format's own tag (FLAC, Ogg: Vorbis
// comment; M4A: MP4 items; WMA: ASF attributes, its header extension before the others, as
// Windows Media has it; WAV: ID3v2 and RIFF INFO; Musepack, WavPack: APE). Creates parent folders.
void make_audio_file(const std::filesystem::path& path, AudioType type, const AudioTags& tags);

// A Musepack or WavPack file with an ID3v2 tag at its start and an APE and an ID3v1 tag at its
// end, each only when its texts name something.
struct TagsByKind {
    AudioTags id3v2{}, ape{}, id3v1{};
};
void make_ape_family_file(const std::filesystem::path& path, AudioType type,
                          const TagsByKind& tags);

}  // namespace trackfold::test
