#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace trackfold::test {

// Valid MPEG-1 Layer III frames, 128 kbit/s at 44.1 kHz, with silent payload. TagLib and
// vbmp3 recognise audio only from two frames on.
std::string mpeg_audio(int frames = 4);

// Bytes from a fixed pseudo-random sequence: the same seed gives the same bytes.
std::string noise(std::size_t size, std::uint32_t seed = 1);

// Id3v23 writes UTF-16 text frames, Id3v24 UTF-8 ones, Id3v22 UTF-16 ones; Id3v1 holds Latin-1.
enum class TagKind { None, Id3v1, Id3v22, Id3v23, Id3v24, Ape };

// Every member has an initializer so that designated initializers may leave any out without a
// -Wmissing-field-initializers warning from g++ 12.
struct Mp3Tags {
    TagKind kind = TagKind::Id3v24;
    std::string artist{};  // UTF-8; "" writes no artist
    std::string album{};
    // Further values of the artist: separate values in ID3v2.3/2.4 and APE, joined with "/"
    // in ID3v2.2 and ID3v1, which have no multiple values.
    std::vector<std::string> more_artists{};
};

// A file of `audio` (pass "" for a tag without audio, noise() for damaged audio) into which
// TagLib writes the tags; ID3v2.2, which TagLib cannot write, is put in front by hand.
// Creates parent folders.
void make_mp3(const std::filesystem::path& path, const Mp3Tags& tags = {},
              const std::string& audio = mpeg_audio());
// Several tags in one file, each of a different kind.
void make_mp3_with_tags(const std::filesystem::path& path, const std::vector<Mp3Tags>& tags,
                        const std::string& audio = mpeg_audio());

// Artist, album and title as raw bytes (say, in a legacy code page) in an ID3v1 tag, at most 30
// bytes each, or with Id3v23 in ISO-8859-1 frames; "" writes no ID3v2.3 frame. Other kinds throw.
void make_mp3_with_raw_text(const std::filesystem::path& path, TagKind kind,
                            const std::string& artist, const std::string& album,
                            const std::string& title = "");

// Changes one byte in the last audio frame, keeping the file's size, tags and
// modification time: a different recording that a size-and-time check cannot tell apart.
void alter_audio(const std::filesystem::path& path);

// Hand-made ID3v2 pieces, for what TagLib does not write: a frame of any ID, data and format
// flags (ID3v2.2 frames have none), and a tag around a body of frames, declaring the body's
// size unless `declared_size` is given.
std::string id3v2_frame(int version, const std::string& id, const std::string& data,
                        std::uint8_t format_flags = 0);
std::string id3v2_tag(int version, std::uint8_t flags, const std::string& body,
                      std::size_t declared_size = 0);
std::string syncsafe(std::size_t size);

enum class BrokenMp3 {
    Empty,           // zero bytes
    Text,            // a plain text file with an .mp3 name: no tag, no audio
    Noise,           // no tag, no audio frame
    Id3v2PastEnd,    // an ID3v2 header whose size runs past the end of the file
    TruncatedFrame,  // an ID3v2 artist frame whose size runs past the end of the file
    GarbageTag,      // "ID3" followed by noise
};

void make_broken_mp3(const std::filesystem::path& path, BrokenMp3 kind);

}  // namespace trackfold::test
