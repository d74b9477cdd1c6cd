#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "sort_test_support.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class SortFolderTest : public ::testing::Test, public SortFixture {};

// The real library, counting the files whose tags it reads.
class CountingLibrary final : public Mp3Library {
  public:
    std::atomic<int> reads{0};

    int open(const char* path, StreamInfoRecord* info) override {
        ++reads;
        return real_.open(path, info);
    }
    int getTagInfo(TagInfoRecord* info) override { return real_.getTagInfo(info); }
    void stop() override { real_.stop(); }
    void stopCallback() override { real_.stopCallback(); }
    void free() override { real_.free(); }
    int getTagText(int field, char* text, int size) override {
        return real_.getTagText(field, text, size);
    }
    int setCodePage(const char* name) override { return real_.setCodePage(name); }
    bool readsInParallel() const override { return real_.readsInParallel(); }

  private:
    Mp3Library& real_ = vbmp3_library();
};

TEST_F(SortFolderTest, EachCategoryLandsInItsFolderWithItsLineAndCount) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v23, "Artist A", "Album A"});
    make_mp3(in / "b.mp3", {TagKind::Id3v24, "", "Album B"});
    make_mp3(in / "c.mp3", {TagKind::Ape, "Artist C", ""});
    make_mp3(in / "d.mp3", {TagKind::None});
    make_mp3(in / "e.mp3", {TagKind::Id3v1, "Artist E", "Album E"});
    make_mp3(in / "f.MP3", {TagKind::Id3v24, "Artist A", "Album A"});
    make_mp3(in / "g.mp3.bak", {TagKind::Id3v24, "Artist G", "Album G"});
    make_broken_mp3(in / "h.mp3", BrokenMp3::Text);
    write_file(in / "notes.doc", "not music");

    EXPECT_TRUE(sort());

    EXPECT_EQ(window.log,
              (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "Albums/Artist A/Album A/a.mp3"),
                     copied(2, "AlbumName", "b.mp3", "Albums/Album B/b.mp3"),
                     copied(3, "ArtistName", "c.mp3", "Artists/Artist C/c.mp3"),
                     copied(4, "Unknown", "d.mp3", "Unknown/d.mp3"),
                     copied(5, "AlbumName + ArtistName", "e.mp3", "Albums/Artist E/Album E/e.mp3"),
                     copied(6, "AlbumName + ArtistName", "f.MP3", "Albums/Artist A/Album A/f.MP3"),
                     "File: " + in_folder() + "h.mp3 ...Error (no MPEG audio found)"}));
    EXPECT_EQ(files_below(out),
              (Lines{"Albums/Album B/b.mp3", "Albums/Artist A/Album A/a.mp3",
                     "Albums/Artist A/Album A/f.MP3", "Albums/Artist E/Album E/e.mp3",
                     "Artists/Artist C/c.mp3", "Unknown/d.mp3"}));
    EXPECT_EQ(read_file(out / "Albums/Artist A/Album A/a.mp3"), read_file(in / "a.mp3"));
    EXPECT_EQ(window.count(Counter::ReadFile), 7);
    EXPECT_EQ(window.count(Counter::AlbumArtist), 3);
    EXPECT_EQ(window.count(Counter::AlbumOnly), 1);
    EXPECT_EQ(window.count(Counter::ArtistOnly), 1);
    EXPECT_EQ(window.count(Counter::Unknown), 1);
    EXPECT_EQ(window.status, "notes.doc");
    EXPECT_EQ(window.selected, 5) << "the tag reader's error line is not selected";
}

TEST_F(SortFolderTest, AnUnchangedReRunReadsNoTagsButACopyChangedSinceIsLookedAtAgain) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(20));
    make_mp3(in / "b.mp3", {TagKind::Id3v23, "", "Album"}, mpeg_audio(21));
    make_mp3(in / "c/c.mp3", {TagKind::Ape, "Artist", ""}, mpeg_audio(22));
    make_mp3(in / "c/d.mp3", {TagKind::None}, mpeg_audio(23));
    make_mp3(in / "cd2/a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(24));
    make_mp3(in / "twin/a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(20));
    CountingLibrary library;
    const auto run = [&] {
        library.reads = 0;
        sort_from(in_folder(), TagReadAhead::default_threads(), library);
    };
    run();
    const Lines first = window.log;
    // A record others may write to is not taken at its word: every tag is read, as before.
    const fs::path record = out / kRecordFileName;
    fs::permissions(record, fs::perms::others_write, fs::perm_options::add);
    run();
    const Lines read_whole = window.events;
    EXPECT_EQ(library.reads, 6);
    fs::permissions(record, fs::perms::others_write, fs::perm_options::remove);

    run();

    EXPECT_EQ(library.reads, 0);
    EXPECT_EQ(window.events, read_whole);
    ASSERT_EQ(window.log.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        // The same line, but for what was done.
        EXPECT_EQ(window.log[i], first[i].substr(0, first[i].rfind('\t')) + "\talready there");
    }

    // a.mp3's copy now holds cd2/a.mp3's bytes, which the writer finds before cd2's own copy.
    const fs::path album = out / "Albums/Artist/Album";
    fs::copy_file(in / "cd2/a.mp3", album / "a.mp3", fs::copy_options::overwrite_existing);
    run();

    EXPECT_EQ(library.reads, 3);
    EXPECT_EQ(window.log[0], copied(1, "AlbumName + ArtistName", "a.mp3",
                                    "Albums/Artist/Album/a (3).mp3", "numbered"));
    EXPECT_EQ(window.log[4], copied(5, "AlbumName + ArtistName", "cd2/a.mp3",
                                    "Albums/Artist/Album/a.mp3", "already there"));

    // Other tag settings could read other folders from the same tags: each is read again, and
    // the run that found them in place says so with its settings, for the next one. Only
    // cd2/a.mp3 is read every time: its bytes are in two copies now, and only its tags can tell
    // which one it goes to.
    for (const char* key : {"TagCodePage", "UseAlbumArtist"}) {
        PutIniText(settings, "SYSTEM", key, key == std::string("TagCodePage") ? "CP932" : "1");
        run();
        EXPECT_EQ(library.reads, 6) << key;
        run();
        EXPECT_EQ(library.reads, 1) << key;
    }
}

TEST_F(SortFolderTest, BrokenFilesNeverStopTheWalk) {
    make_broken_mp3(in / "1.mp3", BrokenMp3::Empty);
    make_broken_mp3(in / "2.mp3", BrokenMp3::Noise);
    make_broken_mp3(in / "3.mp3", BrokenMp3::Id3v2PastEnd);
    make_broken_mp3(in / "4.mp3", BrokenMp3::TruncatedFrame);
    make_broken_mp3(in / "5.mp3", BrokenMp3::GarbageTag);
    make_mp3(in / "6.mp3", {TagKind::Id3v24, "Artist", "Album"}, noise(3000));
    make_mp3(in / "7.mp3", {TagKind::Id3v23, "Artist", "Album"});
    make_mp3(in / "8.mp3", {TagKind::Id3v23, "Artist", "Album"});
    fs::permissions(in / "8.mp3", fs::perms::none);

    {
        AsUnprivileged nobody(tmp.path());
        sort();
    }

    ASSERT_EQ(window.log.size(), 8u);
    EXPECT_EQ(window.log[0], "File: " + in_folder() + "1.mp3 ...Error (no MPEG audio found)");
    EXPECT_EQ(window.log[1], "File: " + in_folder() + "2.mp3 ...Error (no MPEG audio found)");
    EXPECT_EQ(window.log[5], copied(6, "AlbumName + ArtistName", "6.mp3", "/Artist/Album/6.mp3"));
    EXPECT_EQ(window.log[6], copied(7, "AlbumName + ArtistName", "7.mp3", "/Artist/Album/7.mp3"));
    EXPECT_EQ(window.log[7], "File: " + in_folder() + "8.mp3 ...Error (Permission denied)");
    EXPECT_EQ(window.count(Counter::ReadFile), 8);
}

TEST_F(SortFolderTest, MissingSubFolderNamesLeaveADoubledSeparator) {
    make_mp3(in / "d.mp3", {TagKind::None});
    make_mp3(in / "c.mp3", {TagKind::Id3v24, "Artist", ""});

    sort();

    EXPECT_EQ(window.log, (Lines{copied(1, "ArtistName", "c.mp3", "/Artist/c.mp3"),
                                 copied(2, "Unknown", "d.mp3", "/d.mp3")}));
    EXPECT_EQ(files_below(out), (Lines{"Artist/c.mp3", "d.mp3"}));
}

TEST_F(SortFolderTest, ASettingsEditTakesEffectFromTheNextFolder) {
    use_sub_folders("Old", "", "");
    make_mp3(in / "1.mp3", {TagKind::Id3v24, "", "Album"});
    make_mp3(in / "2.mp3", {TagKind::Id3v24, "", "Album"});
    make_mp3(in / "sub/3.mp3", {TagKind::Id3v24, "", "Album"});
    window.on_pump = [&] { PutIniText(settings, "SYSTEM", "AlbumFolder", "New"); };

    sort();

    EXPECT_EQ(files_below(out), (Lines{"New/Album/3.mp3", "Old/Album/1.mp3", "Old/Album/2.mp3"}));
}

TEST_F(SortFolderTest, TheSettingsAreReadAgainOnlyWhenTheyChanged) {
    write_file(settings, "[SYSTEM]\n" + std::string(900000, ';') + "\nAlbumFolder=Old\n");
    for (int i = 0; i < 30; ++i) {
        make_mp3(in / std::to_string(i) / "a.mp3", {TagKind::Id3v24, "", "Album"});
    }
    int pumps = 0;
    window.on_pump = [&] {
        if (++pumps == 20) {
            PutIniText(settings, "SYSTEM", "AlbumFolder", "New");
        }
    };

    Sorter sorter(window, settings);
    sorter.SortFolder(in_folder(), out_folder());

    EXPECT_EQ(sorter.settings_reads(), 2u);
    EXPECT_EQ(window.log.size(), 30u);
    EXPECT_TRUE(fs::exists(out / "New/Album"));
}

TEST_F(SortFolderTest, FilesBeforeSubFoldersAndEverythingInNameOrder) {
    make_mp3(in / "z.mp3", {TagKind::None});
    make_mp3(in / "b/1.mp3", {TagKind::None});
    make_mp3(in / "a/sub/3.mp3", {TagKind::None});
    make_mp3(in / "a/2.mp3", {TagKind::None});
    make_mp3(in / "a/10.mp3", {TagKind::None});

    sort();

    EXPECT_EQ(window.log, (Lines{copied(1, "Unknown", "z.mp3", "/z.mp3"),
                                 copied(2, "Unknown", "a/10.mp3", "/10.mp3"),
                                 copied(3, "Unknown", "a/2.mp3", "/2.mp3"),
                                 copied(4, "Unknown", "a/sub/3.mp3", "/3.mp3"),
                                 copied(5, "Unknown", "b/1.mp3", "/1.mp3")}));
}

TEST_F(SortFolderTest, TagTextsNeverLeaveTheOutputFolder) {
    use_sub_folders("Albums", "Artists", "");
    const struct {
        const char* artist;
        const char* album;
        const char* target;
    } cases[] = {
        {"AC/DC", "Back in Black", "Albums/AC_DC/Back in Black/"},
        {"..", "..", "Albums/__/__/"},
        {"../../x", "", "Artists/_._.._x/"},
        {"Who?", "Who's Next", "Albums/Who_/Who's Next/"},
        {"Foo.", "/etc", "Albums/Foo_/_etc/"},
    };
    int n = 0;
    for (const auto& c : cases) {
        make_mp3(in / ("t" + std::to_string(++n) + ".mp3"), {TagKind::Id3v24, c.artist, c.album});
    }

    sort();

    ASSERT_EQ(window.log.size(), std::size(cases));
    n = 0;
    for (const auto& c : cases) {
        const std::string name = "t" + std::to_string(++n) + ".mp3";
        EXPECT_TRUE(window.log[n - 1].ends_with("\t" + out_folder() + c.target + name + "\tcopied"))
            << window.log[n - 1];
        EXPECT_TRUE(fs::is_regular_file(out / (c.target + name))) << c.target;
    }
    std::vector<std::string> top;
    for (const auto& entry : fs::directory_iterator(tmp.path())) {
        top.push_back(entry.path().filename().string());
    }
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (Lines{"in", "out", "trackfold.ini"}));
}

TEST_F(SortFolderTest, FoldersMatchWithoutRegardToCase) {
    fs::create_directories(out / "The Beatles");
    fs::create_directories(out / "Björk");
    make_mp3(in / "1.mp3", {TagKind::Id3v24, "the beatles", "Abbey Road"});
    make_mp3(in / "2.mp3", {TagKind::Id3v24, "BJÖRK", "Homogenic"});
    make_mp3(in / "3.mp3", {TagKind::Id3v24, "Queen", "Jazz"});
    make_mp3(in / "4.mp3", {TagKind::Id3v23, "QUEEN", "JAZZ"});

    sort();

    EXPECT_EQ(files_below(out), (Lines{"Björk/Homogenic/2.mp3", "Queen/Jazz/3.mp3",
                                       "Queen/Jazz/4.mp3", "The Beatles/Abbey Road/1.mp3"}));
    EXPECT_EQ(window.log[0],
              copied(1, "AlbumName + ArtistName", "1.mp3", "/The Beatles/Abbey Road/1.mp3"));
    EXPECT_EQ(window.log[3], copied(4, "AlbumName + ArtistName", "4.mp3", "/Queen/Jazz/4.mp3"));
}

TEST_F(SortFolderTest, FileNamesMatchWithoutRegardToCase) {
    // As a FAT player would see them: one name, two recordings.
    make_mp3(in / "a/Song.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(4));
    make_mp3(in / "b/song.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));
    make_mp3(in / "c/EARLIER.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(8));
    write_file(out / "Band/Album/Earlier.mp3", "someone else's recording");

    sort();

    EXPECT_EQ(files_below(out), (Lines{"Band/Album/EARLIER (2).mp3", "Band/Album/Earlier.mp3",
                                       "Band/Album/Song.mp3", "Band/Album/song (2).mp3"}));
    EXPECT_EQ(window.log[1], copied(2, "AlbumName + ArtistName", "b/song.mp3",
                                    "/Band/Album/song (2).mp3", "numbered"));
    EXPECT_EQ(window.log[2], copied(3, "AlbumName + ArtistName", "c/EARLIER.mp3",
                                    "/Band/Album/EARLIER (2).mp3", "numbered"));
    EXPECT_EQ(read_file(out / "Band/Album/Earlier.mp3"), "someone else's recording");
}

TEST_F(SortFolderTest, ANumberedNameIsCutToFitTheDisk) {
    const std::string longest = std::string(251, 'x') + ".mp3";
    make_mp3(in / "a" / longest, {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(4));
    make_mp3(in / "b" / longest, {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));

    sort();

    const std::string numbered = std::string(247, 'x') + " (2).mp3";
    EXPECT_EQ(files_below(out), (Lines{"Band/Album/" + numbered, "Band/Album/" + longest}));
    EXPECT_EQ(window.log[1], copied(2, "AlbumName + ArtistName", "b/" + longest,
                                    "/Band/Album/" + numbered, "numbered"));
}

TEST_F(SortFolderTest, TwoDifferentFilesForOneTargetAreBothKept) {
    make_mp3(in / "cd1/01.mp3", {TagKind::Id3v24, "Band", "Double"}, mpeg_audio(4));
    make_mp3(in / "cd2/01.mp3", {TagKind::Id3v24, "Band", "Double"}, mpeg_audio(6));
    make_mp3(in / "cd3/01.mp3", {TagKind::Id3v24, "Band", "Double"}, mpeg_audio(8));
    // The bytes of the second, met after a third of another size took the next name.
    fs::create_directories(in / "cd4");
    fs::copy_file(in / "cd2/01.mp3", in / "cd4/01.mp3");
    make_mp3(in / "copy1/02.mp3", {TagKind::Id3v24, "Band", "Double"});
    fs::create_directories(in / "copy2");
    fs::copy_file(in / "copy1/02.mp3", in / "copy2/02.mp3");
    write_file(out / "Band/Double/03.mp3", "not a copy this program made");
    make_mp3(in / "new/03.mp3", {TagKind::Id3v24, "Band", "Double"});

    for (int run = 0; run < 2; ++run) {
        sort();

        EXPECT_EQ(files_below(out / "Band/Double"),
                  (Lines{"01 (2).mp3", "01 (3).mp3", "01.mp3", "02.mp3", "03 (2).mp3", "03.mp3"}));
        EXPECT_EQ(read_file(out / "Band/Double/01.mp3"), read_file(in / "cd1/01.mp3"));
        EXPECT_EQ(read_file(out / "Band/Double/01 (2).mp3"), read_file(in / "cd2/01.mp3"));
        EXPECT_EQ(read_file(out / "Band/Double/01 (3).mp3"), read_file(in / "cd3/01.mp3"));
        EXPECT_EQ(read_file(out / "Band/Double/03.mp3"), "not a copy this program made");
        EXPECT_EQ(read_file(out / "Band/Double/03 (2).mp3"), read_file(in / "new/03.mp3"));
        EXPECT_EQ(window.log[1],
                  copied(2, "AlbumName + ArtistName", "cd2/01.mp3", "/Band/Double/01 (2).mp3",
                         run == 0 ? "numbered" : "already there"));
        EXPECT_EQ(window.log[3], copied(4, "AlbumName + ArtistName", "cd4/01.mp3",
                                        "/Band/Double/01 (2).mp3", "already there"));
        EXPECT_EQ(window.log[5], copied(6, "AlbumName + ArtistName", "copy2/02.mp3",
                                        "/Band/Double/02.mp3", "already there"));
    }
}

TEST_F(SortFolderTest, ALinkBackToAnAncestorIsNotWalkedAgain) {
    make_mp3(in / "a/x.mp3", {TagKind::None});
    fs::create_directory_symlink(in, in / "a/loop");
    TempDir elsewhere;
    make_mp3(elsewhere.path() / "y.mp3", {TagKind::None});
    fs::create_directory_symlink(elsewhere.path(), in / "b");

    sort();

    EXPECT_EQ(window.log, (Lines{copied(1, "Unknown", "a/x.mp3", "/x.mp3"),
                                 "Folder: " + in_folder() +
                                     "a/loop/ ...Left out (walked already as " + in_folder() + ")",
                                 copied(2, "Unknown", "b/y.mp3", "/y.mp3")}));
}

TEST_F(SortFolderTest, CancelYesEndsTheWalkAndNoGoesOn) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "sub/4.mp3"}) {
        make_mp3(in / name, {TagKind::None});
    }
    int pumps = 0;
    window.on_pump = [&] {
        if (++pumps == 2) {
            CancelState = CancelRequested;
        }
    };

    window.answer = [] { return true; };
    sort();
    EXPECT_EQ(window.questions, 1);
    EXPECT_EQ(CancelState, Cancelled);
    EXPECT_EQ(window.log, (Lines{copied(1, "Unknown", "1.mp3", "/1.mp3"),
                                 copied(2, "Unknown", "2.mp3", "/2.mp3")}));

    pumps = 0;
    window.answer = [] { return false; };
    sort();
    EXPECT_EQ(window.questions, 2);
    EXPECT_EQ(CancelState, Idle);
    EXPECT_EQ(window.log.size(), 4u);
}

TEST_F(SortFolderTest, AFolderOfOnlySubFoldersNeverAsks) {
    make_mp3(in / "sub/1.mp3", {TagKind::None});
    window.answer = [] { return true; };
    window.on_pump = [&] {
        if (window.questions == 0) {
            CancelState = CancelRequested;
        }
    };

    sort();

    EXPECT_EQ(window.questions, 1);
    EXPECT_TRUE(window.log.empty());
}

}  // namespace
}  // namespace trackfold::test

namespace trackfold::test {
namespace {

class IncrementalRunTest : public ::testing::Test, public SortFixture {};

TEST_F(IncrementalRunTest, AFileFoundUnderATargetsNameIsKeptAndCountsOnlyWithTheSameBytes) {
    const struct {
        const char* name;
        bool same_bytes;
        bool same_size;
        bool same_time;
        const char* copied_to;
        const char* first_run;  // what the first run did; the second finds each there
    } cases[] = {
        // In name order, as the walk takes them.
        {"longer.mp3", false, false, true, "longer (2).mp3", "numbered"},
        {"lookalike.mp3", false, true, true, "lookalike (2).mp3", "numbered"},
        {"same.mp3", true, true, true, "same.mp3", "already there"},
        {"touched.mp3", true, true, false, "touched.mp3", "already there"},
    };
    const fs::path album = out / "Artist/Album";
    std::map<std::string, std::string> planted;
    for (const auto& c : cases) {
        make_mp3(in / c.name, {TagKind::Id3v24, "Artist", "Album"});
        std::string bytes = read_file(in / c.name);
        if (!c.same_bytes) {
            bytes = std::string(bytes.size() + (c.same_size ? 0 : 1), 'T');
        }
        write_file(album / c.name, bytes);
        const auto time = fs::last_write_time(in / c.name);
        fs::last_write_time(album / c.name, c.same_time ? time : time - std::chrono::seconds(9));
        planted[c.name] = bytes;
    }

    for (int run = 0; run < 2; ++run) {
        sort();

        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            EXPECT_EQ(window.log.at(i), copied(static_cast<int>(i) + 1, "AlbumName + ArtistName",
                                               c.name, std::string("/Artist/Album/") + c.copied_to,
                                               run == 0 ? c.first_run : "already there"));
            EXPECT_EQ(read_file(album / c.name), planted[c.name]) << c.name;
            EXPECT_EQ(read_file(album / c.copied_to), read_file(in / c.name)) << c.name;
        }
        EXPECT_EQ(files_below(album).size(), 6u);
    }
}

}  // namespace
}  // namespace trackfold::test

namespace trackfold::test {
namespace {

class CodePageRunTest : public ::testing::Test, public SortFixture {};

TEST_F(CodePageRunTest, AShiftJisTaggedFileLandsUnderItsJapaneseName) {
    const std::string utada_sjis = "\x89\x46\x91\xbd\x93\x63\x83\x71\x83\x4a\x83\x8b";
    make_mp3_with_raw_text(in / "a.mp3", TagKind::Id3v23, utada_sjis, "First Love");
    make_mp3_with_raw_text(in / "b.mp3", TagKind::Id3v1, utada_sjis, "First Love");
    make_mp3_with_raw_text(in / "c.mp3", TagKind::Id3v1, "Bj\xf6rk", "Homogenic");
    PutIniText(settings, "SYSTEM", "TagCodePage", "CP932");

    sort();

    EXPECT_EQ(window.log,
              (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "/宇多田ヒカル/First Love/a.mp3"),
                     copied(2, "AlbumName + ArtistName", "b.mp3", "/宇多田ヒカル/First Love/b.mp3"),
                     copied(3, "AlbumName + ArtistName", "c.mp3", "/Björk/Homogenic/c.mp3")}));
    EXPECT_TRUE(fs::is_regular_file(out / "宇多田ヒカル/First Love/a.mp3"));
}

}  // namespace
}  // namespace trackfold::test
