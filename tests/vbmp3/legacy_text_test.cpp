#include <gtest/gtest.h>
#include <iconv.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "legacy_text.h"
#include "support/legacy_albums.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "vbmp3.h"

namespace trackfold::test {
namespace {

namespace fs = std::filesystem;

using Environment = std::vector<std::pair<const char*, const char*>>;

struct ArtistAlbum {
    std::string artist, album;
    bool operator==(const ArtistAlbum&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ArtistAlbum& texts) {
    return out << texts.artist << " | " << texts.album;
}

std::optional<ArtistAlbum> read_artist_album(const fs::path& path) {
    StreamInfoRecord stream{};
    TagInfoRecord info{};
    const bool read = vbmp3_open(path.c_str(), &stream) != 0 && vbmp3_getTagInfo(&info) != 0;
    vbmp3_stop();
    vbmp3_stopCallback();
    vbmp3_free();
    if (!read) {
        return std::nullopt;
    }
    return ArtistAlbum{std::string(info.artist, strnlen(info.artist, sizeof info.artist)),
                       std::string(info.album, strnlen(info.album, sizeof info.album))};
}

constexpr TagKind kRawKinds[] = {TagKind::Id3v1, TagKind::Id3v23};

// Writes artist and album as raw bytes into each tag kind that holds 8-bit text and expects
// them read as `want`.
void expect_read_as(const std::string& artist_bytes, const std::string& album_bytes,
                    const ArtistAlbum& want) {
    TempDir dir;
    for (const TagKind kind : kRawKinds) {
        SCOPED_TRACE(kind == TagKind::Id3v1 ? "ID3v1" : "ID3v2.3");
        make_mp3_with_raw_text(dir.path() / "song.mp3", kind, artist_bytes, album_bytes);
        EXPECT_EQ(read_artist_album(dir.path() / "song.mp3"), want);
    }
}

// Sets the locale variables for one test, the others unset, and puts back what was there.
class LocaleEnvironment {
  public:
    explicit LocaleEnvironment(const Environment& values) {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.emplace_back(
                name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        for (const auto& [name, value] : values) {
            setenv(name, value, 1);
        }
    }
    ~LocaleEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value.has_value()) {
                setenv(name, value->c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
        vbmp3_setCodePage("");
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

  private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(Vbmp3LegacyText, EachCodePageReadsTheBytesWrittenInIt) {
    const struct {
        const char* code_page;
        ArtistAlbum texts;
    } cases[] = {
        {"CP932", {"宇多田ヒカル", "First Love"}},
        // CP932, unlike Shift_JIS, keeps 0x5C a backslash, also as a second byte (ソ, 表), and
        // holds the NEC extensions.
        {"CP932", {"ソ\\表", "①"}},
        {"GBK", {"周杰伦", "叶惠美"}},
        {"BIG5", {"周杰倫", "葉惠美"}},
        {"CP949", {"소녀시대", "소원을 말해봐"}},
        {"CP1251", {"Кино", "Группа крови"}},
        // Kana and ideographs next to Latin letters are how such titles are written.
        {"CP932", {"ポケモンGO", "ドラゴンクエストXI"}},
        {"CP932", {"ファイナルファンタジーVII", "iモード"}},
        {"GBK", {"卡拉OK", "K歌之王"}},
        {"BIG5", {"卡拉OK", "K歌之王"}},
        // F6 AA B0 B2: a lead byte that UTF-8 no longer allows, so no UTF-8 but GBK.
        {"GBK", {"霆安", "安"}},
        // One common character after Latin letters ends many a real title.
        {"GBK", {"JJ林", "Live版"}},
        // The same as UTF-8 "JJ½": no tagger glues a Latin-1 symbol to letters in UTF-8.
        {"GBK", {"JJ陆", "Live版"}},
        {"BIG5", {"S.H.E", "MV版"}},
        {"CP932", {"Perfume", "DVD付"}},
        {"CP949", {"BTS", "Live판"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code_page + (" " + c.texts.artist));
        ASSERT_NE(vbmp3_setCodePage(c.code_page), 0);
        expect_read_as(encode(c.texts.artist, c.code_page), encode(c.texts.album, c.code_page),
                       c.texts);
    }
}

TEST(Vbmp3LegacyText, WithoutANameTheLocaleChoosesTheCodePage) {
    const struct {
        Environment environment;
        const char* code_page;
        ArtistAlbum texts;
    } cases[] = {
        {{{"LC_ALL", "ja_JP.UTF-8"}}, "CP932", {"宇多田ヒカル", "First Love"}},
        {{{"LANG", "ja_JP.UTF-8"}}, "CP932", {"宇多田ヒカル", "ソ\\表①"}},
        {{{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "ru_RU.UTF-8"}}, "CP932", {"宇多田ヒカル", ""}},
        {{{"LC_CTYPE", "ko_KR.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, "CP949", {"소녀시대", ""}},
        {{{"LANG", "zh_CN.GB2312"}}, "GBK", {"周杰伦", ""}},
        {{{"LANG", "zh_TW.UTF-8"}}, "BIG5", {"周杰倫", ""}},
        {{{"LANG", "uk_UA.UTF-8"}}, "CP1251", {"Кино", ""}},
        {{{"LANG", "el_GR.UTF-8"}}, "CP1253", {"Σωκράτης", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts);
        const LocaleEnvironment locale(c.environment);
        ASSERT_NE(vbmp3_setCodePage(""), 0);
        expect_read_as(encode(c.texts.artist, c.code_page), encode(c.texts.album, c.code_page),
                       c.texts);
    }
}

TEST(Vbmp3LegacyText, NamesAreIconvsInAnyCaseAndAnUnknownOneGivesTheLocales) {
    const LocaleEnvironment locale(Environment{{"LC_ALL", "ja_JP.UTF-8"}});
    EXPECT_NE(vbmp3_setCodePage(nullptr), 0);
    EXPECT_NE(vbmp3_setCodePage("cp1251"), 0);
    expect_read_as(encode("Кино", "CP1251"), "", {"Кино", ""});
    EXPECT_EQ(vbmp3_setCodePage("NO-SUCH-CODE-PAGE"), 0);
    expect_read_as(encode("宇多田ヒカル", "CP932"), "", {"宇多田ヒカル", ""});
}

TEST(Vbmp3LegacyText, WesternNamesInLatin1StayUnderEveryCodePage) {
    const char* const names[] = {"Björk", "Françoise Hardy", "Nação Zumbi", "Die Ärzte",
                                 "Blue Öyster Cult", "Sigur Rós", "Motörhead", "Beyoncé",
                                 "Ça plane pour moi", "MOTÖRHEAD", "Mötley Crüe", "Åsa",
                                 // Pairs of accented letters make pairs of rare ideographs;
                                 // Windows-1252's apostrophe leads a common kanji in CP932.
                                 "Þjóðhátíð", "Ísöfnun", "Rock’n’Roll", "Don’t Stop"};
    for (const char* code_page : {"CP932", "GBK", "BIG5", "CP949", "CP1251"}) {
        ASSERT_NE(vbmp3_setCodePage(code_page), 0);
        for (const char* name : names) {
            SCOPED_TRACE(std::string(code_page) + " " + name);
            expect_read_as(encode(name, "CP1252"), "Album", {name, "Album"});
        }
    }
}

TEST(Vbmp3LegacyText, Utf8BeatsTheCodePageAndWindows1252TakesWhatNeitherReads) {
    ASSERT_NE(vbmp3_setCodePage("CP932"), 0);
    expect_read_as("宇多田ヒカル", "Björk", {"宇多田ヒカル", "Björk"});
    ASSERT_NE(vbmp3_setCodePage("CP1252"), 0);
    expect_read_as(encode("霆安", "GBK"), "", {"öª°²", ""});
    // 0x81 is undefined in Windows-1252; 0x81 0x20 is no CP932 character.
    expect_read_as("\x81 Bj\xF6rk", "Caf\xE9 \x80", {"\uFFFD Björk", "Café €"});
}

TEST(Vbmp3LegacyText, AFrameOfUndefinedBytesIsReadInOnePass) {
    // Each undefined byte once stopped the decoder and started it again on the rest: 16 MB of
    // them would not finish within the test's time.
    ASSERT_NE(vbmp3_setCodePage("CP1252"), 0);
    std::string bytes;
    for (int i = 0; i < (1 << 22); ++i) {
        bytes += "\x81\x8D\x90\x9D";
    }
    const std::string text = decode_tag_text(bytes, false);
    ASSERT_EQ(text.size(), bytes.size() * 3);
    EXPECT_EQ(text.substr(text.size() - 6), "\uFFFD\uFFFD");
    EXPECT_EQ(decode_tag_text("\x80\x9F\x8A z", false), "€ŸŠ z");
}

TEST(Vbmp3LegacyText, Id3v1FieldCutInACharacterKeepsTheWholeCharacters) {
    const auto repeat = [](const std::string& piece, int times) {
        std::string out;
        for (int i = 0; i < times; ++i) {
            out += piece;
        }
        return out;
    };
    const struct {
        std::string bytes;  // 30: the field is full
        std::string want;
    } cases[] = {
        {encode("1" + repeat("あ", 15), "CP932").substr(0, 30), "1" + repeat("あ", 14)},
        {"「宇多田ヒカル」A" + std::string("宇多").substr(0, 5), "「宇多田ヒカル」A宇"},
        // A last Latin-1 letter after ASCII is no cut character.
        {std::string(29, 'a') + "\xE9", std::string(29, 'a') + "é"},
    };
    ASSERT_NE(vbmp3_setCodePage("CP932"), 0);
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        ASSERT_EQ(c.bytes.size(), 30u);
        make_mp3_with_raw_text(dir.path() / "song.mp3", TagKind::Id3v1, c.bytes, "");
        EXPECT_EQ(read_artist_album(dir.path() / "song.mp3"), (ArtistAlbum{c.want, ""}));
    }
}

}  // namespace
}  // namespace trackfold::test
