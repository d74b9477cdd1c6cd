#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <set>

#include "engine/fsio/file_descriptor.h"
#include "engine/record/undo_run.h"
#include "engine/run/sort_run.h"
#include "engine/run/start_run.h"
#include "sort_test_support.h"
#include "support/mounted_image.h"
#include "support/sanitized.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class MoveTest : public ::testing::Test, public SortFixture {
  public:
    MoveTest() { PutIniText(settings, "SYSTEM", "Mode", "move"); }

    void TearDown() override { disk_.reset(); }

    // Sorts with the settings' Mode; true when nothing failed.
    bool move_all() {
        window.log.clear();
        CancelState = Idle;
        sort_run(window, SortRequest{in_folder(), out_folder(), settings});
        return window.log.back() == "...Complete" &&
               window.log.end()[-2].find(", 0 failed") != std::string::npos &&
               window.log.end()[-2].find(", 0 kept") != std::string::npos;
    }

    // A small collection: recordings in two folders, one beside a cover.
    std::vector<std::string> make_collection(const fs::path& root) {
        std::vector<std::string> recordings;
        const char* const names[] = {"a/1.mp3", "a/2.mp3", "b/1.mp3", "b/c/3.mp3", "b/c/4.mp3"};
        int frames = 4;
        for (const char* name : names) {
            make_mp3(root / name, {TagKind::Id3v24, "Artist", frames % 3 ? "Album" : "Other"},
                     mpeg_audio(frames));
            recordings.push_back(read_file(root / name));
            frames += 2;
        }
        write_file(root / "a/cover.jpg", "a picture");
        return recordings;
    }

    // The bytes of every file below the folders, placement records left out.
    static std::multiset<std::string> all_bytes(const std::vector<fs::path>& folders) {
        std::multiset<std::string> bytes;
        for (const fs::path& folder : folders) {
            if (fs::exists(folder)) {
                for (const std::string& file : files_below(folder)) {
                    bytes.insert(read_file(folder / file));
                }
            }
        }
        return bytes;
    }

    bool on_image(const fs::path& where) {
        disk_ = std::make_unique<MountedImage>(DiskKind::ExFat, where);
        return disk_->mounted();
    }

    std::unique_ptr<MountedImage> disk_;
};

TEST_F(MoveTest, MovingInPlaceSortsTheTreeAndLeavesOnlyWhatIsNotMusic) {
    const std::vector<std::string> recordings = make_collection(in);
    out = in / "sorted";

    ASSERT_TRUE(move_all());

    EXPECT_EQ(files_below(in), (Lines{"a/cover.jpg", "sorted/Artist/Album/1 (2).mp3",
                                      "sorted/Artist/Album/1.mp3", "sorted/Artist/Album/3.mp3",
                                      "sorted/Artist/Other/2.mp3", "sorted/Artist/Other/4.mp3"}));
    EXPECT_EQ(all_bytes({out}), std::multiset<std::string>(recordings.begin(), recordings.end()));
    EXPECT_FALSE(fs::exists(in / "b")) << "a folder the move emptied is removed";
    EXPECT_TRUE(window.log[0].ends_with("\tmoved")) << window.log[0];
}

TEST_F(MoveTest, ASourceThatCannotBeRemovedIsKeptBesideItsCopy) {
    const std::vector<std::string> recordings = make_collection(in);
    fs::permissions(in / "b/c", fs::perms::all & ~(fs::perms::owner_write | fs::perms::group_write |
                                                   fs::perms::others_write));
    bool whole = false;
    {
        AsUnprivileged nobody(tmp.path());
        whole = move_all();
    }

    EXPECT_FALSE(whole);
    EXPECT_EQ(all_bytes({out}), std::multiset<std::string>(recordings.begin(), recordings.end()));
    EXPECT_TRUE(fs::exists(in / "b/c/3.mp3"));
    EXPECT_TRUE(fs::exists(in / "b/c/4.mp3"));
    EXPECT_FALSE(fs::exists(in / "a/1.mp3"));
    const std::string kept = "\t...Source kept (Permission denied)";
    EXPECT_TRUE(window.log.at(4).ends_with(kept)) << window.log.at(4);
    EXPECT_TRUE(window.log.at(5).ends_with(kept)) << window.log.at(5);
}

TEST_F(MoveTest, MovingAndUndoingGivesBackTheTreeAsItWas) {
    const struct {
        const char* layout;
        bool output_on_image;
    } cases[] = {{"on one disk", false}, {"onto an exFAT disk", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        disk_.reset();
        fs::remove_all(in);
        fs::remove_all(tmp.path() / "out");
        out = tmp.path() / "out";
        if (c.output_on_image && !on_image(tmp.path() / "image")) {
            std::printf("skipped: no exFAT image: %s\n", disk_->why_not().c_str());
            continue;
        }
        if (c.output_on_image) {
            out = disk_->path() / "out";
        }
        make_collection(in);
        const auto tree = [&] {
            Lines files;
            for (const std::string& file : files_below(in)) {
                files.push_back(
                    file + " " + read_file(in / file) + " " +
                    std::to_string(fs::last_write_time(in / file).time_since_epoch().count()));
            }
            return files;
        };
        const Lines before = tree();

        ASSERT_TRUE(move_all());
        EXPECT_EQ(files_below(in), Lines{"a/cover.jpg"});
        const UndoResult undone =
            undo_run({out_folder(), std::nullopt, DiskMode::real, RecordTrust::given},
                     [](const UndoStep&) {});

        EXPECT_TRUE(undone.whole) << undone.problem;
        EXPECT_EQ(tree(), before);
        EXPECT_EQ(files_below(out), Lines{});
    }
}

// At any moment a move can be killed, every recording is whole at its source, its target or
// both; the next run completes the move and leaves none twice.
TEST_F(MoveTest, AMoveKilledAtAnyPointLosesNothingAndTheNextRunCompletesIt) {
    const struct {
        const char* layout;
        bool input_on_image;
        bool output_on_image;
    } cases[] = {{"ext4 to ext4", false, false},
                 {"exFAT to exFAT", true, true},
                 {"ext4 to exFAT", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        disk_.reset();
        fs::remove_all(tmp.path() / "image");
        if ((c.input_on_image || c.output_on_image) && !on_image(tmp.path() / "image")) {
            std::printf("skipped: no exFAT image: %s\n", disk_->why_not().c_str());
            continue;
        }
        const fs::path disk = c.output_on_image ? disk_->path() : tmp.path();
        int killed = 0;
        int points = 0;
        // Killed at its k-th write past the limit: a copy's or the record's.
        for (rlim_t limit = 200; limit < 3400; limit += kSanitized ? 320 : 160) {
            ++points;
            SCOPED_TRACE(limit);
            in = (c.input_on_image ? disk_->path() : tmp.path()) / "in";
            out = disk / "out";
            fs::remove_all(in);
            fs::remove_all(out);
            const std::vector<std::string> recordings = make_collection(in);

            const int status = in_child([&] { move_all(); }, limit);
            killed += WIFSIGNALED(status) ? 1 : 0;
            const std::multiset<std::string> somewhere = all_bytes({in, out});
            for (const std::string& recording : recordings) {
                ASSERT_TRUE(somewhere.contains(recording)) << "a recording is lost";
            }

            ASSERT_TRUE(move_all());
            EXPECT_EQ(all_bytes({out}),
                      std::multiset<std::string>(recordings.begin(), recordings.end()));
            EXPECT_EQ(files_below(in), Lines{"a/cover.jpg"});
            for (const std::string& file : files_below(out)) {
                EXPECT_FALSE(fs::path(file).filename().string().starts_with(".trackfold-")) << file;
            }
        }
        std::printf("%s: killed at %d of %d points\n", c.layout, killed, points);
        EXPECT_GE(killed, points / 2);
    }
}

// Re-tagged in place while the move goes on, with its size and time put back, as taggers that
// "keep the file time" do: the edit exists only in the source, which must stay.
TEST_F(MoveTest, ASourceEditedAfterItsComparisonIsNeverRemoved) {
    for (const bool source_on_image : {true, false}) {
        SCOPED_TRACE(source_on_image ? "from exFAT to ext4" : "from ext4 to exFAT");
        disk_.reset();
        fs::remove_all(tmp.path() / "image");
        if (!on_image(tmp.path() / "image")) {
            GTEST_SKIP() << "no exFAT image: " << disk_->why_not();
        }
        in = (source_on_image ? disk_->path() : tmp.path()) / "in";
        out = (source_on_image ? tmp.path() : disk_->path()) / "out";
        fs::remove_all(in);
        fs::remove_all(out);
        make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
        make_mp3(in / "b.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(201));
        const std::string first = read_file(in / "a.mp3");
        int pumps = 0;
        window.on_pump = [&] {
            if (++pumps == 2) {
                alter_audio(in / "a.mp3");
            }
        };
        move_all();
        window.on_pump = [] {};

        ASSERT_TRUE(fs::exists(in / "a.mp3"));
        EXPECT_TRUE(read_file(out / "Artist/Album/a.mp3") == first);
        EXPECT_FALSE(read_file(in / "a.mp3") == first);
        EXPECT_TRUE(window.log[0].ends_with("...Source kept (source changed while copying)"))
            << window.log[0];
        EXPECT_TRUE(window.log[1].ends_with("\tmoved")) << "each file its own fate";
    }
}

TEST_F(MoveTest, AFullDiskStopsTheMoveInOneLineKeepsEverySourceAndUndoPutsAllBack) {
    disk_ = std::make_unique<MountedImage>(DiskKind::Ext4, tmp.path() / "image", 16);
    if (!disk_->mounted()) {
        GTEST_SKIP() << "no ext4 image: " << disk_->why_not();
    }
    out = disk_->path() / "out";
    std::multiset<std::string> recordings;
    for (int i = 0; i < 24; ++i) {
        make_mp3(in / ("d" + std::to_string(i / 5)) / (std::to_string(i) + ".mp3"),
                 {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(2000 + i));
    }
    const std::multiset<std::string> before = all_bytes({in});
    // Full to the last block, so that the record cannot take the lines that let sources go.
    int pumps = 0;
    window.on_pump = [&] {
        if (++pumps == 6) {
            const FileDescriptor filler(
                ::open((out / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
            for (off_t size = 64 << 20; size >= 512; size /= 2) {
                while (::posix_fallocate(filler.get(), ::lseek(filler.get(), 0, SEEK_END), size) ==
                       0) {
                    ::lseek(filler.get(), size, SEEK_END);
                }
            }
            // And the record's last block, with lines no reader takes.
            const FileDescriptor record(
                ::open((out / kRecordFileName).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
            while (::write(record.get(), "x\n", 2) == 2) {
            }
        }
    };

    // As the window's Start runs it, which then says it in a message.
    CancelState = Idle;
    start_run(window, in_folder(), out_folder(), {settings, tmp.path() / "log.txt"});
    window.on_pump = [] {};
    ASSERT_FALSE(window.told.empty());
    EXPECT_EQ(window.told.back(), window.log.back());
    // One line says it, after the summary; no file has a line of its own for it.
    EXPECT_TRUE(window.log.back().starts_with("...Disk full (0 MB free")) << window.log.back();
    EXPECT_TRUE(window.log.end()[-2].starts_with("Summary: "));
    EXPECT_FALSE(std::any_of(window.log.begin(), window.log.end(),
                             [](const std::string& l) { return l.starts_with("File: "); }));
    fs::remove(out / "filler");
    const std::multiset<std::string> somewhere = all_bytes({in, out});
    for (const std::string& recording : before) {
        ASSERT_TRUE(somewhere.contains(recording)) << "a recording is lost";
    }
    EXPECT_TRUE(std::any_of(window.log.begin(), window.log.end(), [&](const auto& l) {
        return l.ends_with("...Source kept (No space left on device)");
    }));

    const UndoResult undone = undo_run(
        {out_folder(), std::nullopt, DiskMode::real, RecordTrust::checked}, [](const UndoStep&) {});
    EXPECT_TRUE(undone.whole) << undone.problem;
    EXPECT_TRUE(all_bytes({in}) == before);
    EXPECT_EQ(files_below(out), Lines{});
}

TEST_F(MoveTest, ALinkIsNeverMovedAndAFolderReachedTwiceIsWalkedOnce) {
    make_mp3(tmp.path() / "elsewhere/a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    fs::create_symlink("../elsewhere/a.mp3", in / "a.mp3");
    make_mp3(in / "Music/b.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(201));
    fs::create_directories(in / "Downloads");
    fs::create_directory_symlink("../Music", in / "Downloads/music");
    const std::string b = read_file(in / "Music/b.mp3");
    CancelState = Idle;
    sort_run(window, SortRequest{in_folder(), out_folder(), settings, false, DiskMode::preview});
    const Lines previewed = window.log;

    ASSERT_TRUE(move_all()) << ::testing::PrintToString(window.log);

    EXPECT_EQ(window.log, previewed);
    EXPECT_TRUE(window.log[0].ends_with("...Link kept: copied what it leads to"));
    EXPECT_TRUE(fs::is_symlink(in / "a.mp3"));
    EXPECT_TRUE(fs::exists(tmp.path() / "elsewhere/a.mp3"));
    EXPECT_EQ(files_below(out), (Lines{"Artist/Album/a.mp3", "Artist/Album/b.mp3"}));
    EXPECT_TRUE(read_file(out / "Artist/Album/b.mp3") == b);
    EXPECT_EQ(std::count_if(window.log.begin(), window.log.end(),
                            [](const auto& l) { return l.find("...Left out") != l.npos; }),
              1);
}

}  // namespace
}  // namespace trackfold::test
