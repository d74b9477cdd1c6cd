#include "vbmp3.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

namespace trackfold::test {
namespace {

namespace fs = std::filesystem;

// Read at the byte offsets the tag reader relies on, up to the first NUL.
std::string text_at(const TagInfoRecord& info, std::size_t offset, std::size_t size = 128) {
    const char* field = reinterpret_cast<const char*>(&info) + offset;
    return std::string(field, strnlen(field, size));
}
std::string artist(const TagInfoRecord& info) {
    return text_at(info, 128);
}
std::string album(const TagInfoRecord& info) {
    return text_at(info, 256);
}

bool open_file(const fs::path& path) {
    StreamInfoRecord stream{};
    return vbmp3_open(path.c_str(), &stream) != 0;
}

std::optional<TagInfoRecord> open_tag_info() {
    TagInfoRecord info{};
    return vbmp3_getTagInfo(&info) != 0 ? std::optional(info) : std::nullopt;
}

// The whole call sequence of the tag reader, silence of the library included.
std::optional<TagInfoRecord> read_tag_info(const fs::path& path) {
    testing::internal::CaptureStderr();
    const auto info = open_file(path) ? open_tag_info() : std::nullopt;
    vbmp3_stop();
    vbmp3_stopCallback();
    vbmp3_free();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    return info;
}

void expect_tags(const fs::path& path, const std::string& want_artist,
                 const std::string& want_album) {
    const auto info = read_tag_info(path);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(artist(*info), want_artist);
    EXPECT_EQ(album(*info), want_album);
}

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(Vbmp3, EveryTagKindGivesArtistAndAlbumAsUtf8) {
    TempDir dir;
    const fs::path path = dir.path() / "song.mp3";
    make_mp3(path, {.kind = TagKind::Id3v1, .artist = "Björk", .album = "Début"});
    expect_tags(path, "Björk", "Début");
    for (const TagKind kind : {TagKind::Id3v22, TagKind::Id3v23, TagKind::Id3v24, TagKind::Ape}) {
        SCOPED_TRACE(static_cast<int>(kind));
        make_mp3(path, {.kind = kind, .artist = "宇多田ヒカル", .album = "初恋 🎧"});
        expect_tags(path, "宇多田ヒカル", "初恋 🎧");
        make_mp3(path, {.kind = kind, .album = "Alone"});
        expect_tags(path, "", "Alone");
    }
    make_mp3(path, {.kind = TagKind::None});
    expect_tags(path, "", "");
}

TEST(Vbmp3, SeveralArtistsAreJoinedWithSlashWhateverTheTag) {
    TempDir dir;
    const fs::path path = dir.path() / "song.mp3";
    for (const TagKind kind : {TagKind::Id3v23, TagKind::Id3v24, TagKind::Ape}) {
        SCOPED_TRACE(static_cast<int>(kind));
        make_mp3(path,
                 {.kind = kind, .artist = "A", .album = "X", .more_artists = {"Björk", "🎸 Band"}});
        expect_tags(path, "A/Björk/🎸 Band", "X");
    }
}

TEST(Vbmp3, EachFieldComesFromId3v2ThenApeThenId3v1) {
    const Mp3Tags v1{.kind = TagKind::Id3v1, .artist = "V1 Artist", .album = "V1 Album"};
    const Mp3Tags ape{.kind = TagKind::Ape, .artist = "APE Artist", .album = "APE Album"};
    const struct {
        std::vector<Mp3Tags> tags;
        std::string artist, album;
    } cases[] = {
        {{v1, ape, {.kind = TagKind::Id3v23, .artist = "V2", .album = "V2 Album"}},
         "V2",
         "V2 Album"},
        {{v1, ape, {.kind = TagKind::Id3v22, .artist = "V2", .album = "V2 Album"}},
         "V2",
         "V2 Album"},
        {{v1, ape}, "APE Artist", "APE Album"},
        {{v1, ape, {.kind = TagKind::Id3v24, .album = "V2 Album"}}, "APE Artist", "V2 Album"},
        {{v1, {.kind = TagKind::Ape, .album = "APE Album"}}, "V1 Artist", "APE Album"},
        {{v1, {.kind = TagKind::Id3v24, .artist = "   ", .album = "V2 Album"}},
         "V1 Artist",
         "V2 Album"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.artist + " | " + c.album);
        make_mp3_with_tags(dir.path() / "song.mp3", c.tags);
        expect_tags(dir.path() / "song.mp3", c.artist, c.album);
    }
}

// Tags are read in blocks from the head and the tail of the file; whatever the file's size, a
// tag that lies across a block's edge, or is larger than a block, must come out whole.
TEST(Vbmp3, TagsAreReadWholeWhateverTheirSizeAndPlace) {
    std::vector<std::string> many;
    for (int i = 0; i < 150; ++i) {
        many.push_back("Guest artist number " + std::to_string(i) + " of the session");
    }
    std::string joined = "Lead";
    for (const std::string& name : many) {
        joined += "/" + name;
    }
    const std::string first_128 = joined.substr(0, 128);
    const Mp3Tags v1{.kind = TagKind::Id3v1, .artist = "V1 Artist", .album = "V1 Album"};
    const struct {
        std::vector<Mp3Tags> tags;
        std::string artist, album;
    } cases[] = {
        {{v1, {.kind = TagKind::Id3v24, .artist = "Lead", .more_artists = many}},
         first_128,
         "V1 Album"},
        {{v1, {.kind = TagKind::Ape, .artist = "Lead", .album = "APE Album", .more_artists = many}},
         first_128,
         "APE Album"},
        {{v1, {.kind = TagKind::Ape, .album = "APE Album"}}, "V1 Artist", "APE Album"},
        {{{.kind = TagKind::Id3v23, .artist = "V2", .album = "V2 Album"}}, "V2", "V2 Album"},
        {{v1}, "V1 Artist", "V1 Album"},
    };
    TempDir dir;
    const fs::path path = dir.path() / "song.mp3";
    for (const int frames : {0, 2, 9, 10, 19, 20, 40}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << frames << " frames, " << c.album);
            make_mp3_with_tags(path, c.tags, frames == 0 ? std::string() : mpeg_audio(frames));
            expect_tags(path, c.artist, c.album);
        }
    }
}

TEST(Vbmp3, LongTextIsCutAtACharacterBoundaryWithinItsField) {
    const struct {
        std::string text;
        std::size_t kept_bytes;
    } cases[] = {
        {std::string(128, 'a'), 128}, {std::string(200, 'a'), 128}, {"a" + repeat("é", 99), 127},
        {repeat("あ", 67), 126},      {"x" + repeat("😀", 50), 125},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        make_mp3(dir.path() / "long.mp3", {.artist = c.text, .album = c.text});
        const std::string kept = c.text.substr(0, c.kept_bytes);
        expect_tags(dir.path() / "long.mp3", kept, kept);
    }
}

TEST(Vbmp3, OpenFailsForWhatIsNoMp3) {
    TempDir dir;
    std::vector<fs::path> paths{dir.path() / "missing.mp3", dir.path() / "folder.mp3",
                                dir.path() / "fifo.mp3"};
    fs::create_directory(paths[1]);
    // Opening a FIFO for reading would wait for a writer forever.
    ASSERT_EQ(mkfifo(paths[2].c_str(), 0600), 0);
    for (const BrokenMp3 kind : {BrokenMp3::Empty, BrokenMp3::Text, BrokenMp3::Noise}) {
        paths.push_back(dir.path() / (std::to_string(paths.size()) + ".mp3"));
        make_broken_mp3(paths.back(), kind);
    }
    for (const fs::path& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(read_tag_info(path).has_value());
    }
}

TEST(Vbmp3, BrokenTagOrAudioStillOpens) {
    TempDir dir;
    for (const BrokenMp3 kind :
         {BrokenMp3::Id3v2PastEnd, BrokenMp3::TruncatedFrame, BrokenMp3::GarbageTag}) {
        SCOPED_TRACE(static_cast<int>(kind));
        make_broken_mp3(dir.path() / "broken.mp3", kind);
        EXPECT_TRUE(read_tag_info(dir.path() / "broken.mp3").has_value());
    }
    for (const TagKind kind : {TagKind::Id3v24, TagKind::Ape, TagKind::Id3v1}) {
        for (const std::string& audio : {std::string(), noise(10'000), mpeg_audio(1)}) {
            SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << ", "
                                            << audio.size() << " audio bytes");
            make_mp3(dir.path() / "a.mp3", {.kind = kind, .artist = "Artist", .album = "Album"},
                     audio);
            expect_tags(dir.path() / "a.mp3", "Artist", "Album");
        }
    }
}

TEST(Vbmp3, WritesWholeRecordsWhateverTheyHeld) {
    TempDir dir;
    make_mp3(dir.path() / "a.mp3", {.artist = "Artist", .album = "Album"});
    StreamInfoRecord stream;
    std::memset(&stream, 0xAB, sizeof stream);
    ASSERT_NE(vbmp3_open((dir.path() / "a.mp3").c_str(), &stream), 0);
    const StreamInfoRecord zero_stream{};
    EXPECT_EQ(std::memcmp(&stream, &zero_stream, sizeof stream), 0);

    TagInfoRecord dirty;
    std::memset(&dirty, 0xAB, sizeof dirty);
    ASSERT_NE(vbmp3_getTagInfo(&dirty), 0);
    vbmp3_free();
    TagInfoRecord expected{};
    std::strcpy(expected.artist, "Artist");
    std::strcpy(expected.album, "Album");
    EXPECT_EQ(std::memcmp(&dirty, &expected, sizeof dirty), 0);
}

TEST(Vbmp3, OpenStateFollowsOpenAndFree) {
    TempDir dir;
    make_mp3(dir.path() / "a.mp3", {.artist = "First"});
    make_mp3(dir.path() / "b.mp3", {.artist = "Second"});

    vbmp3_free();
    EXPECT_FALSE(open_tag_info().has_value()) << "nothing open";
    ASSERT_TRUE(open_file(dir.path() / "a.mp3"));
    EXPECT_EQ(vbmp3_getTagInfo(nullptr), 0);
    EXPECT_NE(vbmp3_stop(), 0);
    EXPECT_NE(vbmp3_stopCallback(), 0);
    EXPECT_NE(vbmp3_free(), 0);
    EXPECT_FALSE(open_tag_info().has_value()) << "after free";

    ASSERT_TRUE(open_file(dir.path() / "a.mp3")) << "again after free";
    EXPECT_EQ(artist(open_tag_info().value()), "First");
    ASSERT_TRUE(open_file(dir.path() / "b.mp3")) << "while another is open";
    EXPECT_EQ(artist(open_tag_info().value()), "Second");
    EXPECT_FALSE(open_file(dir.path() / "missing.mp3"));
    EXPECT_FALSE(open_tag_info().has_value()) << "a failed open leaves nothing open";
    StreamInfoRecord stream{};
    EXPECT_EQ(vbmp3_open(nullptr, &stream), 0);
    vbmp3_free();
}

}  // namespace
}  // namespace trackfold::test
