#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <functional>

#include <map>
#include <set>

#include "sort_test_support.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& root) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().filename() != kRecordFileName) {
            files[entry.path().string()] = {read_file(entry.path()), entry.last_write_time()};
        }
    }
    return files;
}

// From here on the process cannot set file times, as on some FUSE and MTP mounts.
void refuse_setting_times() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_utimensat, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        ::_exit(2);
    }
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

TEST_F(SortSafetyTest, ACopyWhoseTimeCannotBeSetIsKeptAndSaysSo) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
    fs::last_write_time(in / "a.mp3", fs::last_write_time(in / "a.mp3") - std::chrono::hours(48));
    const fs::path child_log = tmp.path() / "child.log";
    const int status = in_child([&] {
        refuse_setting_times();
        sort();
        std::ofstream(child_log) << window.log.at(0);
    });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string line = copied(1, "AlbumName + ArtistName", "a.mp3", "/Artist/Album/a.mp3");
    EXPECT_EQ(read_file(child_log), line + "\t...Time not kept (Operation not permitted)");
    const fs::path target = out / "Artist/Album/a.mp3";
    EXPECT_EQ(read_file(target), read_file(in / "a.mp3"));
    EXPECT_NE(fs::last_write_time(target), fs::last_write_time(in / "a.mp3"));

    sort();

    EXPECT_EQ(
        window.log,
        (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "/Artist/Album/a.mp3", "replaced")}));
    EXPECT_EQ(fs::last_write_time(target), fs::last_write_time(in / "a.mp3"));
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

    EXPECT_EQ(window.log, (Lines{copied(1, "AlbumName + ArtistName", "Artist/Album/1.mp3",
                                        "/Artist/Album/1.mp3", "already there")}));
    EXPECT_EQ(window.count(Counter::AlbumArtist), 1);
    EXPECT_EQ(snapshot(in), before);
}

TEST_F(SortSafetyTest, AnOutputFolderInsideTheInputIsNotWalked) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
    out = in / "sorted";

    sort();

    // Its copies are not sources of the run that made them.
    EXPECT_EQ(window.log,
              (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "/Artist/Album/a.mp3")}));
    EXPECT_EQ(files_below(in), (Lines{"a.mp3", "sorted/Artist/Album/a.mp3"}));
}

TEST_F(SortSafetyTest, SortingInPlaceNeverTouchesASourceAndASecondRunWritesNothing) {
    const struct {
        const char* layout;
        const char* input;  // below the temporary folder
        const char* output;
        const char* album_folder;
    } cases[] = {
        {"output = input", "in", "in", ""},
        {"output inside input", "in", "in/sorted", ""},
        {"input inside output, reached by a sub-folder name", "out/Albums", "out", "Albums"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        TempDir root;
        in = root.path() / c.input;
        out = root.path() / c.output;
        use_sub_folders(c.album_folder, "", "");
        // Two different recordings for one place, and two more that share size and time.
        make_mp3(in / "Downloads/01.mp3", {TagKind::Id3v24, "Zappa", "Apostrophe"}, mpeg_audio(4));
        make_mp3(in / "Zappa/Apostrophe/01.mp3", {TagKind::Id3v24, "Zappa", "Apostrophe"},
                 mpeg_audio(6));
        make_mp3(in / "Downloads/02.mp3", {TagKind::Id3v24, "Zappa", "Apostrophe"}, mpeg_audio(8));
        fs::create_directories(in / "Zappa/Apostrophe");
        fs::copy_file(in / "Downloads/02.mp3", in / "Zappa/Apostrophe/02.mp3");
        alter_audio(in / "Zappa/Apostrophe/02.mp3");
        fs::last_write_time(in / "Zappa/Apostrophe/02.mp3",
                            fs::last_write_time(in / "Downloads/02.mp3"));
        // A file of the user's that is merely named like a temporary of some run.
        make_mp3(in / "Zappa/Apostrophe/.trackfold-4000000-my song.mp3",
                 {TagKind::Id3v24, "Zappa", "Apostrophe"}, mpeg_audio(10));
        const auto sources = snapshot(in);

        sort_from(in.string() + "/");

        auto after = snapshot(root.path());
        const std::string place = (out / c.album_folder / "Zappa/Apostrophe").string() + "/";
        std::multiset<std::string> sorted;
        for (const auto& [path, file] : after) {
            if (path.starts_with(place) && path.find('/', place.size()) == std::string::npos) {
                sorted.insert(file.first);
            }
        }
        for (const auto& [path, file] : sources) {
            ASSERT_TRUE(after.contains(path)) << path << " is gone";
            EXPECT_EQ(after[path], file) << path << " changed";
            EXPECT_EQ(sorted.count(file.first), 1u) << path << " is not in its place once";
        }
        EXPECT_EQ(sorted.size(), 5u);

        sort_from(in.string() + "/");
        EXPECT_EQ(snapshot(root.path()), after);
        EXPECT_EQ(window.count(Counter::AlbumArtist), window.count(Counter::ReadFile));

        // Re-tagged: its own earlier copy lies below the input, where nothing is replaced.
        make_mp3(in / "Downloads/01.mp3", {TagKind::Id3v24, "Zappa", "Apostrophe"}, mpeg_audio(12));
        sort_from(in.string() + "/");
        const auto again = snapshot(root.path());
        for (const auto& [path, file] : after) {
            if (path.starts_with(place)) {
                EXPECT_TRUE(again.contains(path) && again.at(path) == file) << path;
            }
        }
    }
}

// An editor that saves by writing a new file and renaming it leaves no settings file for a
// moment, and an edit may name a folder outside the output: the run keeps what it had.
TEST_F(SortSafetyTest, SettingsThatVanishOrLeadOutMidRunLeaveTheRunWithTheOnesItHad) {
    use_sub_folders("Albums", "Artists", "Unknown");
    for (const char* folder : {"a", "b", "c", "d"}) {
        make_mp3(in / folder / "x.mp3", {TagKind::Id3v24, folder, "Album"});
    }
    const std::string saved = read_file(settings);
    int pumps = 0;
    window.on_pump = [&] {
        if (++pumps == 1) {
            fs::remove(settings);
        } else if (pumps == 3) {
            write_file(settings, saved);
            PutIniText(settings, "SYSTEM", "AlbumFolder", "../escaped");
        }
    };
    sort();
    EXPECT_EQ(files_below(out), (Lines{"Albums/a/Album/x.mp3", "Albums/b/Album/x.mp3",
                                       "Albums/c/Album/x.mp3", "Albums/d/Album/x.mp3"}));
    EXPECT_FALSE(fs::exists(tmp.path() / "escaped"));
}

}  // namespace
}  // namespace trackfold::test
