#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "sort_test_support.h"
#include "support/legacy_albums.h"

namespace trackfold::test {
namespace {

const LegacyAlbum& album_of(const char* code_page) {
    const auto& albums = legacy_albums();
    return *std::find_if(albums.begin(), albums.end(), [&](const LegacyAlbum& album) {
        return album.code_page == std::string(code_page);
    });
}

// Writes each album's files into a folder of the input, ID3v1 and ID3v2.3 in turn, and gives
// the target each must reach and the note its line must end in ("": none).
struct Expected {
    std::string target, note;
};
void write_albums(const SortFixture& run, const std::vector<const LegacyAlbum*>& albums,
                  const std::string& prior, std::vector<Expected>& expected) {
    const std::string folder = std::to_string(expected.size()) + "/";
    for (const LegacyAlbum* album : albums) {
        for (const std::string& title : album->titles) {
            const std::string file = std::to_string(expected.size()) + ".mp3";
            make_mp3_with_raw_text(
                run.in / (folder + file), expected.size() % 2 ? TagKind::Id3v23 : TagKind::Id3v1,
                encode(album->artist, album->code_page), encode(album->album, album->code_page),
                encode(title, album->code_page));
            expected.push_back({"Albums/" + album->artist + "/" + album->album + "/" + file,
                                album->code_page == prior
                                    ? ""
                                    : std::string("\t...Code page: ") + album->code_page});
        }
    }
}

// With no code page set, under C.UTF-8 and under each album's own locale, every album gets
// its own names, and its lines say which code page was judged where it is not the locale's.
// The albums of one locale are sorted in one run, each in a folder of its own.
TEST(CodePageAlbums, EveryAlbumIsNamedRightWithoutAHintUnderCAndItsOwnLocale) {
    std::vector<std::vector<const LegacyAlbum*>> folders;
    for (const LegacyAlbum& album : legacy_albums()) {
        folders.push_back({&album});
    }
    folders.push_back({&album_of("CP1251"), &album_of("CP932")});  // two in one folder
    std::map<std::string, std::string> priors{{"C.UTF-8", "CP1252"}};
    for (const auto& folder : folders) {
        priors.emplace(folder.front()->locale, folder.front()->code_page);
    }
    for (const auto& [locale, prior] : priors) {
        SCOPED_TRACE(locale);
        setenv("LC_ALL", locale.c_str(), 1);
        SortFixture run;
        run.use_sub_folders("Albums", "Artists", "Unknown");
        std::vector<Expected> expected;
        for (const auto& folder : folders) {
            if (locale == "C.UTF-8" || folder.front()->locale == locale) {
                write_albums(run, folder, prior, expected);
            }
        }
        run.sort();
        const auto& log = run.window.log;
        for (const Expected& file : expected) {
            EXPECT_TRUE(std::any_of(
                log.begin(), log.end(),
                [&](const std::string& line) {
                    return line.find(run.out_folder() + file.target + "\t") != std::string::npos &&
                           (file.note.empty() ? line.find("Code page") == std::string::npos
                                              : line.ends_with(file.note));
                }))
                << file.target << "\n"
                << ::testing::PrintToString(log);
        }
    }
    unsetenv("LC_ALL");
}

// A record of a run that read the tags in one code page holds for that setting only: with auto
// the next run reads every file again, finds an ASCII-tagged one where it was, and places the
// Cyrillic album under its real names, leaving its earlier copies alone.
TEST(CodePageAlbums, ARecordOfANamedCodePageIsReadAgainUnderAuto) {
    setenv("LC_ALL", "C.UTF-8", 1);
    SortFixture run;
    const LegacyAlbum& kino = album_of("CP1251");
    make_mp3_with_raw_text(run.in / "a.mp3", TagKind::Id3v23, encode(kino.artist, "CP1251"),
                           encode(kino.album, "CP1251"));
    make_mp3_with_raw_text(run.in / "b.mp3", TagKind::Id3v23, "Artist", "Album");
    PutIniText(run.settings, "SYSTEM", "TagCodePage", "CP1252");
    run.sort();
    PutIniText(run.settings, "SYSTEM", "TagCodePage", "");
    run.sort();
    EXPECT_EQ(run.window.log,
              (std::vector<std::string>{
                  run.copied(1, "AlbumName + ArtistName", "a.mp3", "/Кино/Группа крови/a.mp3") +
                      "\t...Code page: CP1251",
                  run.copied(2, "AlbumName + ArtistName", "b.mp3", "/Artist/Album/b.mp3",
                             "already there")}));
    EXPECT_EQ(SortFixture::files_below(run.out),
              (std::vector<std::string>{"Artist/Album/b.mp3", "Êèíî/Ãðóïïà êðîâè/a.mp3",
                                        "Кино/Группа крови/a.mp3"}));
    unsetenv("LC_ALL");
}

// A layout that names the file by its title reads the title as its album was judged.
TEST(CodePageAlbums, ATitleInALayoutIsReadAsItsAlbumWas) {
    setenv("LC_ALL", "C.UTF-8", 1);
    SortFixture run;
    const LegacyAlbum& kino = album_of("CP1251");
    make_mp3_with_raw_text(run.in / "a.mp3", TagKind::Id3v23, encode(kino.artist, "CP1251"),
                           encode(kino.album, "CP1251"), encode(kino.titles[0], "CP1251"));
    PutIniText(run.settings, "SYSTEM", "Layout", "{artist}/{album}/{title}");
    run.sort();
    EXPECT_EQ(
        SortFixture::files_below(run.out),
        std::vector<std::string>{kino.artist + "/" + kino.album + "/" + kino.titles[0] + ".mp3"});
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace trackfold::test
