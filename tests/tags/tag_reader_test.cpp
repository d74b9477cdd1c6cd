#include "tags/tag_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "read_only_stream.h"
#include "support/audio_fixture.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

namespace trackfold {
namespace {

template <typename Record>
bool all_zero(const Record* record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(record);
    return std::all_of(bytes, bytes + sizeof(Record), [](unsigned char b) { return b == 0; });
}

// Records every call, checks the records arrive zeroed, and answers as told.
class ScriptedLibrary final : public Mp3Library {
  public:
    int open_result = 1;
    int tag_result = 1;
    std::string artist_field;
    std::string album_field;
    std::vector<std::string> calls;
    std::string opened_path;

    int open(const char* path, StreamInfoRecord* info) override {
        calls.push_back(all_zero(info) ? "open" : "open(dirty record)");
        opened_path = path;
        std::memset(info, 'x', sizeof *info);
        return open_result;
    }
    int getTagInfo(TagInfoRecord* info) override {
        calls.push_back(all_zero(info) ? "getTagInfo" : "getTagInfo(dirty record)");
        std::memcpy(info->artist, artist_field.data(),
                    std::min(artist_field.size(), sizeof info->artist));
        std::memcpy(info->album, album_field.data(),
                    std::min(album_field.size(), sizeof info->album));
        return tag_result;
    }
    void stop() override { calls.push_back("stop"); }
    void stopCallback() override { calls.push_back("stopCallback"); }
    void free() override { calls.push_back("free"); }
    int setCodePage(const char*) override { return 1; }
};

using Calls = std::vector<std::string>;

TEST(TrimAtNul, CutsAtFirstNulOrKeepsAll) {
    EXPECT_EQ(TrimAtNul(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(TrimAtNul(std::string("\0ab", 3)), "");
    EXPECT_EQ(TrimAtNul("abc"), "abc");
}

TEST(ReadTag, ReadsFieldsTrimmedAndReleasesLibrary) {
    ScriptedLibrary library;
    library.artist_field = std::string("  Foo  ") + std::string(10, '\0');
    library.album_field = std::string(128, 'x');
    std::string artist = "old";
    std::string album = "old";

    EXPECT_FALSE(ReadTag("  /music/a.mp3  ", artist, album, library));

    EXPECT_EQ(library.opened_path, "  /music/a.mp3  ") << "a path is used as given";
    EXPECT_EQ(artist, "Foo");
    EXPECT_EQ(album, std::string(128, 'x'));
    EXPECT_EQ(library.calls, (Calls{"open", "getTagInfo", "stop", "stopCallback", "free"}));
}

TEST(ReadTag, FieldTrimmedAfterFullWidthText) {
    ScriptedLibrary library;
    library.artist_field = std::string(120, 'a') + std::string(8, ' ');
    std::string artist;
    std::string album;
    ReadTag("/a.mp3", artist, album, library);
    EXPECT_EQ(artist, std::string(120, 'a'));
    EXPECT_EQ(album, "");
}

TEST(ReadTag, OpenFailureGivesErrorEmptyTextsAndStillReleases) {
    ScriptedLibrary library;
    library.open_result = 0;
    std::string artist = "Earlier Artist";
    std::string album = "Earlier Album";

    EXPECT_TRUE(ReadTag("/bad.mp3", artist, album, library));

    EXPECT_EQ(artist, "");
    EXPECT_EQ(album, "");
    EXPECT_EQ(library.calls, (Calls{"open", "stop", "stopCallback", "free"}));
}

TEST(ReadTag, FailedTagQueryNeverKeepsAnEarlierFilesTags) {
    ScriptedLibrary library;
    library.tag_result = 0;
    library.artist_field = "Half Written";
    std::string artist = "Earlier Artist";
    std::string album = "Earlier Album";

    EXPECT_FALSE(ReadTag("/c.mp3", artist, album, library));

    EXPECT_EQ(artist, "");
    EXPECT_EQ(album, "");
    EXPECT_EQ(library.calls, (Calls{"open", "getTagInfo", "stop", "stopCallback", "free"}));
}

// A long artist once sorted an MP3 and a FLAC file into different folders: the MP3 library's
// record cuts texts at 127 bytes.
TEST(ReadTag, EveryTypeGivesWholeTextsByOneRule) {
    const std::string long_name = "The " + std::string(192, 'x') + " Band";  // 200 bytes
    const auto mp3 = [](const std::vector<std::string>& artists, const std::string& album) {
        return [=](const std::filesystem::path& path) {
            test::make_mp3(path, {.artist = artists.front(),
                                  .album = album,
                                  .more_artists = {artists.begin() + 1, artists.end()}});
        };
    };
    const auto audio = [](test::AudioType type, const std::vector<std::string>& artists,
                          const std::string& album) {
        return [=](const std::filesystem::path& path) {
            test::make_audio_file(path, type, {artists, album});
        };
    };
    const struct {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        std::string artist, album;
    } cases[] = {
        {"long.mp3", mp3({long_name}, long_name), long_name, long_name},
        {"long.flac", audio(test::AudioType::Flac, {long_name}, long_name), long_name, long_name},
        {"several.wma", audio(test::AudioType::Wma, {"A", "Björk", "C"}, "X"), "A/Björk/C", "X"},
        // Its header extension first: TagLib reads the library's "C" and "B" before "Björk".
        {"four.wma", audio(test::AudioType::Wma, {"A", "Björk", "C", "B"}, "X"), "A/Björk/C/B",
         "X"},
        {"blank.mp3", mp3({"\t\t"}, "\xE3\x80\x80\xE2\x80\x8B"), "", ""},
        {"blank.flac", audio(test::AudioType::Flac, {"\t"}, "\xC2\xA0 \xEF\xBB\xBF"), "", ""},
    };
    const test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(dir.path() / c.name);
        std::string artist, album;
        EXPECT_FALSE(ReadTag(dir.path() / c.name, artist, album));
        EXPECT_EQ(artist, c.artist);
        EXPECT_EQ(album, c.album);
    }
}

// Musepack's and WavPack's own tag is APE; a tagger may have put an ID3v2 tag at the start too,
// which TagLib skips, so its texts were lost where the APE tag had none.
TEST(ReadTag, AnApeFormatTakesApeThenId3v2ThenId3v1FieldByField) {
    using test::AudioType;
    const struct {
        const char* name;
        AudioType type;
        test::TagsByKind tags;
        std::string artist, album;
    } cases[] = {
        {"all.mpc",
         AudioType::Musepack,
         {{{"V2"}, "V2 Album"}, {{"Ape"}}, {{"V1"}, "V1 Album"}},
         "Ape",
         "V2 Album"},
        {"all.wv",
         AudioType::WavPack,
         {{{"V2"}, "V2 Album"}, {{"Ape"}}, {{"V1"}, "V1 Album"}},
         "Ape",
         "V2 Album"},
        {"no-ape.mpc", AudioType::Musepack, {{{"V2"}}, {}, {{"V1"}, "V1 Album"}}, "V2", "V1 Album"},
        {"id3v1.mpc", AudioType::Musepack, {{}, {}, {{"V1"}, "V1 Album"}}, "V1", "V1 Album"},
    };
    const test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::make_ape_family_file(dir.path() / c.name, c.type, c.tags);
        std::string artist, album;
        EXPECT_FALSE(ReadTag(dir.path() / c.name, artist, album));
        EXPECT_EQ(artist, c.artist);
        EXPECT_EQ(album, c.album);
    }
}

// A large file without tags, such as a preallocated download that never finished, once had
// every byte scanned for audio: minutes per file. Bytes are counted, not seconds.
TEST(ReadTag, ReadsABoundedPartOfAFileWhateverItsSize) {
    constexpr std::uintmax_t kSize = 2'000'000'000;
    constexpr std::uint64_t kSmall = 1 << 20;
    constexpr std::uint64_t kTwoTags = 2 * ReadOnlyStream::kTagReach + kSmall;
    const struct {
        const char* name;
        std::string head;  // the rest is zeros
        std::uint64_t most_bytes;
    } cases[] = {
        {"zeros.mp3", "", kSmall},
        {"tag-of-256-MB.mp3", std::string("ID3\x04\0\0\x7F\x7F\x7F\x7F", 10), kTwoTags},
        {"zeros.flac", "", kTwoTags},
        {"zeros.m4a", "", kTwoTags},
        {"zeros.wav", "", kTwoTags},
    };
    const test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path = dir.path() / c.name;
        test::write_file(path, c.head);
        std::filesystem::resize_file(path, kSize);
        const std::uint64_t before = ReadOnlyStream::bytes_read_on_this_thread();
        std::string artist, album;
        ReadTag(path, artist, album);
        EXPECT_LE(ReadOnlyStream::bytes_read_on_this_thread() - before, c.most_bytes);
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace trackfold
