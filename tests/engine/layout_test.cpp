#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine/naming/disc_number.h"
#include "engine/naming/layout_template.h"
#include "engine/settings/first_start.h"
#include "engine/settings/folder_settings.h"
#include "sort_test_support.h"

namespace trackfold::test {
namespace {

namespace fs = std::filesystem;

struct Tags {
    std::string artist{}, album{}, album_artist{}, title{}, track{}, disc{}, year{};
};

// An ID3v2.4 tag of UTF-8 frames, only those given.
void make_tagged(const fs::path& path, const Tags& t) {
    std::string body;
    for (const auto& [id, text] : {std::pair{"TPE1", t.artist},
                                   {"TALB", t.album},
                                   {"TPE2", t.album_artist},
                                   {"TIT2", t.title},
                                   {"TRCK", t.track},
                                   {"TPOS", t.disc},
                                   {"TDRC", t.year}}) {
        if (!text.empty()) {
            body += id3v2_frame(4, id, "\x03" + text);
        }
    }
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << id3v2_tag(4, 0, body) << mpeg_audio();
}

struct File {
    const char* source;
    Tags tags;
};

const std::string kLong(300, 'x');

TEST(Layout, EachLayoutPlacesEachTagSetWhereItSays) {
    const char* const kDesign = "";
    const char* const kByTitle = "{albumartist|artist}/[{year} - ]{album}/[{track:2} ]{title}";
    const struct {
        const char* layout;
        const char* settings;  // more keys, "Key=value;..."
        std::vector<File> files;
        std::vector<std::string> targets;
    } cases[] = {
        {kDesign, "", {{"01.mp3", {"A", "B"}}}, {"Albums/A/B/01.mp3"}},
        {kDesign, "", {{"01.mp3", {"", "B"}}}, {"Albums/B/01.mp3"}},
        {kDesign, "", {{"01.mp3", {}}}, {"Unknown/01.mp3"}},
        {kDesign, "", {{"x.mp3", {"A", "B", "", "", "", "1/1"}}}, {"Albums/A/B/x.mp3"}},
        {kDesign, "", {{"x.mp3", {"A", "B", "", "", "", "2/2"}}}, {"Albums/A/B/Disc 2/x.mp3"}},
        {kDesign,
         "DiscFolders=0",
         {{"x.mp3", {"A", "B", "", "", "", "2/2"}}},
         {"Albums/A/B/x.mp3"}},
        {kDesign, "", {{"CD1/x.mp3", {"A", "B", "", "", "", "1"}}}, {"Albums/A/B/Disc 1/x.mp3"}},
        {kDesign, "", {{"CD2/x.mp3", {"A", "B"}}}, {"Albums/A/B/x.mp3"}},
        {kDesign,
         "",
         {{"1.mp3", {"A", "B", "", "", "", "1"}}, {"2.mp3", {"A", "B", "", "", "", "2"}}},
         {"Albums/A/B/Disc 1/1.mp3", "Albums/A/B/Disc 2/2.mp3"}},
        {kDesign,
         "UseAlbumArtist=1",
         {{"1.mp3", {"P", "Hits", "Various"}}, {"2.mp3", {"Q", "Hits", "Various"}}},
         {"Albums/Various/Hits/1.mp3", "Albums/Various/Hits/2.mp3"}},
        {kByTitle,
         "",
         {{"x.mp3", {"A", "B", "", "T", "3/12", "", "1979-11-30"}}},
         {"A/1979 - B/03 T.mp3"}},
        {kByTitle, "", {{"x.MP3", {"A", "B", "V", "T"}}}, {"V/B/T.MP3"}},
        {kByTitle, "", {{"x.mp3", {"A", "B", "", "", "3"}}}, {"A/B/x.mp3"}},
        {"{artist}/{album|category}/{filename}", "", {{"x.mp3", {"A"}}}, {"A/Artists/x.mp3"}},
        {"{genre}/{title}", "", {{"x.mp3", {"A", "B", "", "T"}}}, {"T.mp3"}},
        {"{artist}/{title}",
         "",
         {{"1.mp3", {"..", "", "", "../../etc/passwd"}},
          {"2.mp3", {".hidden", "", "", "CON"}},
          {"3.mp3", {"A", "", "", kLong}}},
         {"A/" + std::string(251, 'x') + ".mp3", "__/_._.._etc_passwd.mp3", "_hidden/CON_.mp3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + c.files[0].source);
        SortFixture f;
        f.use_sub_folders("Albums", "Artists", "Unknown");
        PutIniText(f.settings, "SYSTEM", "Layout", c.layout);
        for (std::string_view rest = c.settings; !rest.empty();) {
            const std::string_view pair = rest.substr(0, rest.find(';'));
            rest.remove_prefix(std::min(rest.size(), pair.size() + 1));
            const std::size_t equals = pair.find('=');
            PutIniText(f.settings, "SYSTEM", std::string(pair.substr(0, equals)),
                       std::string(pair.substr(equals + 1)));
        }
        for (const File& file : c.files) {
            make_tagged(f.in / file.source, file.tags);
        }
        EXPECT_TRUE(f.sort());
        EXPECT_EQ(SortFixture::files_below(f.out), c.targets);
    }
}

TEST(Layout, ABadLayoutIsRefusedWithItsReason) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"{artist}/{nope}", "{nope} names no field; the fields are artist, albumartist"},
        {"{artist}/", "a part is empty"},
        {"/{title}", "a part is empty"},
        {"{artist}/../{title}", "a part . or .. would name no folder"},
        {"{artist", "a { has no }"},
        {"{artist}}", "a } has no {"},
        {"[{year}/{album}]", "a [ ] holds a /"},
        {"[[{year}]]", "a [ stands inside another"},
        {"{track:0}", "{track:0} wants a number of digits from 1 to 9"},
        {"{artist}/songs", "its last part names the file but holds no field"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(parse_layout(c.text).layout) << c.text;
        EXPECT_TRUE(parse_layout(c.text).problem.starts_with(c.reason)) << c.text;
    }
}

TEST(Layout, ADiscFolderOnlyWhereTheTagSaysSo) {
    const struct {
        const char* tag;
        bool set_differs;
        const char* folder;
        int disc;
    } cases[] = {
        {"", true, "CD2", 0},   {"1", false, "", 0},           {"1/1", false, "", 0},
        {"1/2", false, "", 1},  {"2", false, "", 2},           {" 02 / 03", false, "", 2},
        {"1", true, "", 1},     {"1", false, "Disc 1", 1},     {"1", false, "CD 2", 0},
        {"1", false, "CDs", 0}, {"99999999999", false, "", 0}, {"x/2", false, "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            disc_folder({parse_set_number(c.tag), c.set_differs, disc_of_folder_name(c.folder)}),
            c.disc)
            << c.tag << " " << c.folder;
    }
}

TEST(Layout, TheRecordTellsEveryLayoutAndDiscSettingApart) {
    const auto text = [](const char* layout, const char* code_page, bool discs) {
        FolderSettings settings;
        settings.layout_text = layout;
        settings.code_page = code_page;
        settings.disc_folders = discs;
        return tag_settings_text(settings);
    };
    const std::string texts[] = {
        text("", "", true),
        text("", "", false),
        text("{title}", "", true),
        text("", "x;album-artist=0;disc-folders=1", true),
        text("{title};code-page=", "", true),
        text("{title}", ";code-page=", true),
    };
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        for (std::size_t j = i + 1; j < std::size(texts); ++j) {
            EXPECT_NE(texts[i], texts[j]) << texts[i];
        }
    }
}

TEST(Layout, AFreshInstallKeepsCompilationsTogetherAnOldSettingStays) {
    for (const char* before : {"", "[SYSTEM]\nUseAlbumArtist=0\n", "[SYSTEM]\nAlbumFolder=A\n"}) {
        TempDir tmp;
        const fs::path file = tmp.path() / "trackfold.ini";
        std::ofstream(file) << before;
        write_first_start_defaults(file);
        const std::string expected = std::string(before).empty() ? "1" : "0";
        EXPECT_EQ(IniReader(file).text("SYSTEM", "UseAlbumArtist", "0"), expected) << before;
    }
}

}  // namespace
}  // namespace trackfold::test
