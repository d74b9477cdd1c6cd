#include "engine/run/run_progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "engine/walk/file_count.h"
#include "support/mounted_image.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using trackfold::FileCount;
using trackfold::RunProgress;

TEST(RunProgress, TotalDoneAndTimeLeftComeFromTheEvents) {
    const RunProgress::Clock::time_point start{};
    RunProgress progress(start);
    progress.feed(trackfold::FilePlaced{.read_count = 19, .source = "/in/a/x.mp3"});
    progress.feed(trackfold::FileFailed{.read_count = 20, .source = "/in/b/y.mp3"});
    EXPECT_EQ(progress_text(progress.at(start + 10s)), "20 files");

    progress.set_total(1200);
    const struct {
        std::chrono::seconds elapsed;
        const char* text;
    } cases[] = {
        {1s, "20 of 1,200 files (1%)"},  // too early to tell the time left
        {10s, "20 of 1,200 files (1%), about 10 min left"},
        {100s, "20 of 1,200 files (1%), about 1 h 38 min left"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(progress_text(progress.at(start + c.elapsed)), c.text) << c.elapsed.count();
    }
    EXPECT_EQ(progress.at(start).folder, "/in/b/");

    // Files added after the count: the total grows with the run instead of passing 100%.
    progress.set_total(10);
    EXPECT_EQ(progress_text(progress.at(start + 1s)), "20 of 20 files (100%)");
}

TEST(FileCount, CountsWhatTheWalkTakesAndNotTheOutputInsideTheInput) {
    trackfold::test::TempDir dir;
    const fs::path in = dir.path() / "in";
    for (const char* name : {"a.mp3", "b.MP3", "c.flac", "sub/d.mp3", "out/Albums/e.mp3"}) {
        trackfold::test::write_file(in / name, "x");
    }
    fs::create_directory_symlink(in, in / "sub" / "loop");

    const FileCount count(in.string() + "/", {"mp3"}, (in / "out").string());
    while (!count.total()) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(*count.total(), 3u);
}

// Sizes are skipped while the output's disk has room for all in use on the input's disks; a
// linked folder on a fuller disk, met late, makes every size count, also those passed.
TEST(FileCount, SizesComeToMatterAtALateDiskAndThenCountEveryFile) {
    using trackfold::test::DiskKind;
    using trackfold::test::MountedImage;
    trackfold::test::TempDir dir;
    const MountedImage input(DiskKind::Ext4, dir.path() / "input", 8);
    const MountedImage late(DiskKind::Ext4, dir.path() / "late", 32);
    const MountedImage output(DiskKind::Ext4, dir.path() / "output", 16);
    if (!input.mounted() || !late.mounted() || !output.mounted()) {
        GTEST_SKIP() << "no ext4 images to count on: " << input.why_not();
    }
    trackfold::test::write_file(input.path() / "in/a/1.mp3", std::string(1000, 'x'));
    trackfold::test::write_file(late.path() / "b/2.mp3", std::string(3000, 'x'));
    trackfold::test::write_file(late.path() / "filler", std::string(20 << 20, 'x'));
    ::sync();
    fs::create_directory_symlink(late.path() / "b", input.path() / "in/b");

    const FileCount count((input.path() / "in").string() + "/", {"mp3"},
                          (output.path() / "out").string(), 0, trackfold::CountedSizes::all);
    while (!count.total()) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(count.bytes());
    EXPECT_EQ(count.bytes()->all, 4000u);
}
