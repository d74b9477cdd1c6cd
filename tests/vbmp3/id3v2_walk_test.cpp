#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "id3v2_walk.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "vbmp3.h"

namespace trackfold::test {
namespace {

std::string latin1(const std::string& text) {
    return '\0' + text;
}

std::string utf16(const std::u16string& text, bool big_endian, bool mark) {
    std::string out;
    if (mark) {
        out += big_endian ? "\xFE\xFF" : "\xFF\xFE";
    }
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

// After every FF comes a 00 where the next byte could be taken for a sync.
std::string unsynchronise(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        const bool next_needs_it =
            i + 1 == bytes.size() || bytes[i + 1] == '\0' || (bytes[i + 1] & 0xE0) == 0xE0;
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && next_needs_it) {
            out += '\0';
        }
    }
    return out;
}

std::string compressed(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(bytes.data()), bytes.size());
    out.resize(size);
    return out;
}

std::string big_endian32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string id3v1(const std::string& artist, const std::string& album) {
    const auto field = [](const std::string& text) {
        return text + std::string(30 - text.size(), '\0');
    };
    return "TAG" + field("") + field(artist) + field(album) + std::string(34, '\0') + '\xFF';
}

std::string frame3(const std::string& id, const std::string& data, std::uint8_t format = 0) {
    return id3v2_frame(3, id, data, format);
}
std::string frame4(const std::string& id, const std::string& data, std::uint8_t format = 0) {
    return id3v2_frame(4, id, data, format);
}

const std::string kArtist3 = frame3("TPE1", latin1("Artist"));
const std::string kAlbum3 = frame3("TALB", latin1("Album"));
const std::string kPadding(64, '\0');

// Each file also ends in an ID3v1 tag: what a reader that gives up on the ID3v2 tag shows.
struct Case {
    const char* name;
    std::string tag;
    std::string want_artist, want_album;
};

TEST(Vbmp3Id3v2Walk, ReadsPastWhatTagLibGivesUpOnAndInventsNothing) {
    const std::string v23_frames = kArtist3 + kAlbum3 + kPadding;
    // FF FE FF 00 65 00 ...: both FFs take a 00 after them.
    const std::string unsync_data = '\x01' + utf16(u"ÿes", false, true);
    const Case cases[] = {
        {"zero-size frame first", id3v2_tag(3, 0, frame3("TIT2", "") + v23_frames), "Artist",
         "Album"},
        {"zero-size frame between", id3v2_tag(3, 0, kArtist3 + frame3("TENC", "") + kAlbum3),
         "Artist", "Album"},
        {"zero-size frame last", id3v2_tag(3, 0, kArtist3 + kAlbum3 + frame3("MCDI", "")), "Artist",
         "Album"},
        {"odd frame ID", id3v2_tag(3, 0, frame3("Date", "2001") + v23_frames), "Artist", "Album"},
        {"ID3v2.3 extended header",
         id3v2_tag(3, 0x40, big_endian32(6) + std::string(6, '\0') + v23_frames), "Artist",
         "Album"},
        {"ID3v2.3 extended header with CRC",
         id3v2_tag(
             3, 0x40,
             big_endian32(10) + "\x80" + std::string(5, '\0') + "\x12\x34\x56\x78" + v23_frames),
         "Artist", "Album"},
        {"ID3v2.4 unsynchronised frame with data length",
         id3v2_tag(
             4, 0,
             frame4("TIT2", "") +
                 frame4("TPE1", syncsafe(unsync_data.size()) + unsynchronise(unsync_data), 0x03) +
                 frame4("TALB",
                        "\x03"
                        "Album") +
                 kPadding),
         "ÿes", "Album"},
        {"ID3v2.3 unsynchronised tag",
         id3v2_tag(3, 0x80,
                   unsynchronise(frame3("TIT2", "") + frame3("TPE1", unsync_data) + kAlbum3)),
         "ÿes", "Album"},
        {"UTF-16 without byte-order mark",
         id3v2_tag(3, 0,
                   frame3("TIT2", "") + frame3("TPE1", '\x01' + utf16(u"Sigur Rós", false, false)) +
                       frame3("TALB", '\x01' + utf16(u"Ágætis byrjun", true, false))),
         "Sigur Rós", "Ágætis byrjun"},
        {"ID3v2.4 values each with a mark",
         id3v2_tag(4, 0,
                   frame4("TXXX", "") +
                       frame4("TPE1", '\x01' + utf16(u"A", false, true) + std::string(2, '\0') +
                                          utf16(u"B", true, true) + std::string(2, '\0')) +
                       frame4("TALB",
                              "\x03"
                              "C")),
         "A/B", "C"},
        {"ID3v2.4 size written as ID3v2.3 does",
         id3v2_tag(4, 0,
                   frame4("TIT2", "") + "COMM" + big_endian32(200) + std::string(2, '\0') +
                       std::string(200, 'x') + frame4("TPE1", latin1("Artist")) +
                       frame4("TALB", latin1("Album"))),
         "Artist", "Album"},
        {"ID3v2.2",
         id3v2_tag(2, 0,
                   id3v2_frame(2, "TT2", "") + id3v2_frame(2, "TP1", latin1("Artist")) +
                       id3v2_frame(2, "TAL", latin1("Album"))),
         "Artist", "Album"},
        {"compressed frame",
         id3v2_tag(3, 0,
                   frame3("TIT2", "") +
                       frame3("TPE1", big_endian32(7) + compressed(latin1("Artist")), 0x80) +
                       kAlbum3),
         "Artist", "Album"},
        {"tag size past the end of the file",
         id3v2_tag(3, 0, frame3("TIT2", "") + kArtist3 + kAlbum3, 1'000'000), "Artist", "Album"},
        // Garbage: the ID3v1 tag decides.
        {"frame past the end of the tag",
         id3v2_tag(
             3, 0,
             frame3("TIT2", "") + "TPE1" + big_endian32(5000) + "\0\0" + latin1("X") + kPadding),
         "V1 artist", "V1 album"},
        {"noise after the header", id3v2_tag(3, 0, "\x01" + noise(500)), "V1 artist", "V1 album"},
        {"encrypted frame",
         id3v2_tag(3, 0,
                   frame3("TIT2", "") + frame3("TPE1", "\x01" + latin1("Artist"), 0x40) + kAlbum3),
         "V1 artist", "Album"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir.path() / "song.mp3", c.tag + mpeg_audio() + id3v1("V1 artist", "V1 album"));
        StreamInfoRecord stream{};
        TagInfoRecord info{};
        ASSERT_NE(vbmp3_open((dir.path() / "song.mp3").c_str(), &stream), 0);
        ASSERT_NE(vbmp3_getTagInfo(&info), 0);
        vbmp3_free();
        EXPECT_EQ(info.artist, c.want_artist);
        EXPECT_EQ(info.album, c.want_album);
    }
}

}  // namespace
}  // namespace trackfold::test
