#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <map>

#include "sort_test_support.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

// Root ignores file permissions, and CI runs as root: act as "nobody" while the walk runs so
// permission failures happen for real. The tree is opened up first so nobody can reach it.
class AsUnprivileged {
  public:
    explicit AsUnprivileged(const fs::path& tree) {
        if (::geteuid() != 0) {
            return;
        }
        fs::permissions(tree, fs::perms::all);
        for (const auto& entry : fs::recursive_directory_iterator(tree)) {
            if (entry.is_directory() && !entry.is_symlink() &&
                (entry.status().permissions() & fs::perms::owner_write) != fs::perms::none) {
                fs::permissions(entry.path(), fs::perms::all);
            }
        }
        active_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~AsUnprivileged() {
        if (active_) {
            (void)::seteuid(0);
            (void)::setegid(0);
        }
    }

  private:
    bool active_ = false;
};

std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& root) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = {read_file(entry.path()), entry.last_write_time()};
        }
    }
    return files;
}

class SortSafetyTest : public ::testing::Test, public SortFixture {};

TEST_F(SortSafetyTest, ReadOnlyTargetFolderGivesAnErrorLineAndTheWalkGoesOn) {
    make_mp3(in / "1.mp3", {TagKind::Id3v24, "Locked", "Album"});
    make_mp3(in / "2.mp3", {TagKind::Id3v24, "Open", "Album"});
    make_mp3(in / "sub/3.mp3", {TagKind::Id3v24, "Open", "Album"});
    fs::create_directories(out / "Locked/Album");
    fs::permissions(out / "Locked/Album", fs::perms::owner_read | fs::perms::owner_exec);
    {
        AsUnprivileged nobody(tmp.path());
        sort();
    }

    EXPECT_EQ(window.log,
              (Lines{"File: " + in_folder() + "1.mp3 ...Error (Permission denied)",
                     copied(2, "AlbumName + ArtistName", "2.mp3", "/Open/Album/2.mp3"),
                     copied(3, "AlbumName + ArtistName", "sub/3.mp3", "/Open/Album/3.mp3")}));
    EXPECT_EQ(window.count(Counter::ReadFile), 3);
    EXPECT_EQ(window.count(Counter::AlbumArtist), 2);
    EXPECT_TRUE(fs::is_empty(out / "Locked/Album"));
}

TEST_F(SortSafetyTest, UnreadableOrMissingFoldersGiveAnErrorLineAndTheWalkGoesOn) {
    make_mp3(in / "a/1.mp3", {TagKind::None});
    make_mp3(in / "b/2.mp3", {TagKind::None});
    make_mp3(in / "c/3.mp3", {TagKind::None});
    fs::permissions(in / "b", fs::perms::none);
    {
        AsUnprivileged nobody(tmp.path());
        EXPECT_TRUE(sort());
    }
    EXPECT_EQ(window.log, (Lines{copied(1, "Unknown", "a/1.mp3", "/1.mp3"),
                                 "Folder: " + in_folder() + "b/ ...Error (Permission denied)",
                                 copied(2, "Unknown", "c/3.mp3", "/3.mp3")}));

    const std::string missing = (tmp.path() / "gone").string() + "/";
    EXPECT_FALSE(sort_from(missing));
    EXPECT_EQ(window.log, (Lines{"Folder: " + missing + " ...Error (No such file or directory)"}));
}

TEST_F(SortSafetyTest, AFailedCopyLeavesTheEarlierCopyWholeAndNoPartFile) {
    make_mp3(in / "big.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    make_mp3(in / "fresh.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    make_mp3(in / "small.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(2));
    write_file(out / "Artist/Album/big.mp3", "the copy from last week");

    // A file-size limit makes the copy fail halfway, as a full disk would.
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = 20000;
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    sort();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);

    EXPECT_EQ(window.log,
              (Lines{"File: " + in_folder() + "big.mp3 ...Error (File too large)",
                     "File: " + in_folder() + "fresh.mp3 ...Error (File too large)",
                     copied(3, "AlbumName + ArtistName", "small.mp3", "/Artist/Album/small.mp3")}));
    EXPECT_EQ(read_file(out / "Artist/Album/big.mp3"), "the copy from last week");
    EXPECT_EQ(files_below(out), (Lines{"Artist/Album/big.mp3", "Artist/Album/small.mp3"}));
}

TEST_F(SortSafetyTest, SourcesNeverChangeAndCopiesKeepTheirTime) {
    make_mp3(in / "1.mp3", {TagKind::Id3v23, "Artist", "Album"});
    make_mp3(in / "x/2.mp3", {TagKind::Ape, "Artist", ""});
    make_broken_mp3(in / "x/3.mp3", BrokenMp3::TruncatedFrame);
    const auto old_time = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(in / "1.mp3", old_time);
    const auto before = snapshot(in);

    sort();

    EXPECT_EQ(snapshot(in), before);
    EXPECT_EQ(fs::last_write_time(out / "Artist/Album/1.mp3"), old_time);
    EXPECT_EQ(fs::last_write_time(out / "Artist/2.mp3"), fs::last_write_time(in / "x/2.mp3"));
}

TEST_F(SortSafetyTest, AFileAlreadyInItsPlaceIsLeftUntouched) {
    // The collection was sorted before: input and output are the same folder.
    make_mp3(in / "Artist/Album/1.mp3", {TagKind::Id3v24, "Artist", "Album"});
    const auto before = snapshot(in);
    out = in;

    sort();

    EXPECT_EQ(
        window.log,
        (Lines{copied(1, "AlbumName + ArtistName", "Artist/Album/1.mp3", "/Artist/Album/1.mp3")}));
    EXPECT_EQ(window.count(Counter::AlbumArtist), 1);
    EXPECT_EQ(snapshot(in), before);
}

TEST_F(SortSafetyTest, AnOutputFolderInsideTheInputIsWalkedWithoutHarm) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
    out = in / "sorted";

    sort();

    EXPECT_EQ(window.log,
              (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "/Artist/Album/a.mp3"),
                     copied(2, "AlbumName + ArtistName", "sorted/Artist/Album/a.mp3",
                            "/Artist/Album/a.mp3")}));
    EXPECT_EQ(files_below(in), (Lines{"a.mp3", "sorted/Artist/Album/a.mp3"}));
}

}  // namespace
}  // namespace trackfold::test
