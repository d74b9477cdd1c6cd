#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "sort_test_support.h"
#include "support/audio_fixture.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class ReadAheadTest : public ::testing::Test, public SortFixture {};

// Out of the page cache, so that the walk finds a folder's first file not in memory and the
// workers read ahead; on a disk in memory (tmpfs) the walk reads every file itself.
void evict_from_memory(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const int fd = entry.is_regular_file() ? ::open(entry.path().c_str(), O_RDONLY) : -1;
        if (fd >= 0) {
            ::fdatasync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

struct RunView {
    Lines log;
    RunCounters counters;
    Lines tree;
};

TEST_F(ReadAheadTest, WorkersShowExactlyWhatTheWalkReadingAloneShows) {
    use_sub_folders("Albums", "Artists", "Unknown");
    PutIniText(settings, "SYSTEM", "FileTypes", "mp3 flac");
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        const TagKind kinds[] = {TagKind::Id3v23, TagKind::Id3v24, TagKind::Ape, TagKind::Id3v1,
                                 TagKind::None};
        make_mp3(in / ("song " + n + ".mp3"), {kinds[i % 5], "Artist " + std::to_string(i % 3),
                                               i % 4 == 0 ? "" : "Album " + std::to_string(i % 2)});
    }
    make_broken_mp3(in / "song 7b.mp3", BrokenMp3::Noise);
    make_audio_file(in / "track.flac", AudioType::Flac, {{"Artist 1"}, "Album 1"});
    make_mp3_with_raw_text(in / "cp932/a.mp3", TagKind::Id3v1, "\x83\x7C\x83\x50\x83\x82\x83\x93",
                           "GO");
    // The edit lands while the first folder is walked, so the second reads in CP932.
    PutIniText(settings, "SYSTEM", "TagCodePage", "CP1252");
    window.on_pump = [&] { PutIniText(settings, "SYSTEM", "TagCodePage", "CP932"); };

    std::vector<RunView> runs;
    for (const unsigned threads : {0u, 4u}) {
        SCOPED_TRACE(threads);
        fs::remove_all(out);
        PutIniText(settings, "SYSTEM", "TagCodePage", "CP1252");
        evict_from_memory(in);
        sort_from(in_folder(), threads);
        runs.push_back({window.log, window.counters, files_below(out)});
    }
    EXPECT_EQ(runs[0].log, runs[1].log);
    EXPECT_EQ(runs[0].counters, runs[1].counters);
    EXPECT_EQ(runs[0].tree, runs[1].tree);
    EXPECT_EQ(runs[1].log.size(), 43u);
    EXPECT_EQ(runs[1].log.back(),
              copied(43, "AlbumName + ArtistName", "cp932/a.mp3", "Albums/ポケモン/GO/a.mp3"));
}

// The tags read ahead of the copies keep their files open for the copies, and the judging of a
// folder's code pages reads all of its tags first: a folder of far more files than a process
// may hold open is placed whole all the same.
TEST_F(ReadAheadTest, AFolderOfMoreFilesThanMayBeOpenIsPlacedWhole) {
    for (int i = 0; i < 400; ++i) {
        make_mp3(in / ("a/" + std::to_string(i) + ".mp3"), {TagKind::Id3v23, "Artist", "Album"});
    }
    const int status = in_child([&] {
        const rlimit open_files{128, 128};
        ::setrlimit(RLIMIT_NOFILE, &open_files);
        sort_from(in_folder());
        ::_exit(files_below(out).size() == 400 ? 0 : 1);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(ReadAheadTest, CancelAfterTheFirstFileCopiesNothingMoreWhileWorkersRead) {
    for (int i = 0; i < 60; ++i) {
        make_mp3(in / ("song " + std::to_string(100 + i) + ".mp3"),
                 {TagKind::Id3v24, "Artist", "Album"});
    }
    // Asked before the second file, with the workers well into the folder by then.
    window.on_pump = [&] { CancelState = CancelRequested; };
    window.answer = [] { return true; };

    sort_from(in_folder(), 4);

    EXPECT_EQ(
        window.log,
        (Lines{copied(1, "AlbumName + ArtistName", "song 100.mp3", "/Artist/Album/song 100.mp3")}));
    EXPECT_EQ(files_below(out), Lines{"Artist/Album/song 100.mp3"});
}

// Tags that name the file they were read from, on whichever thread reads it, a little slowly,
// so that a batch is replaced while stretches of it are being read.
class PathNamingLibrary final : public Mp3Library {
  public:
    int open(const char* path, StreamInfoRecord*) override {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        opened() = path;
        return 1;
    }
    int getTagInfo(TagInfoRecord* info) override {
        std::strncpy(info->artist, opened().c_str(), sizeof info->artist - 1);
        return 1;
    }
    void stop() override {}
    void stopCallback() override {}
    void free() override {}
    int setCodePage(const char*) override { return 1; }
    bool readsInParallel() const override { return true; }

  private:
    static std::string& opened() {
        static thread_local std::string path;
        return path;
    }
};

TEST(TagReadAhead, EveryIndexGetsItsOwnFilesTagsAcrossStretchesAndReplacedBatches) {
    PathNamingLibrary library;
    TagReadAhead ahead(library, 3);
    // Each batch is left part-way, with stretches still being read, but the last.
    for (const std::size_t size : {1, 0, 5, 100, 37, 300}) {
        TagBatch batch;
        for (std::size_t i = 0; i < size; ++i) {
            batch.paths.push_back(std::to_string(size) + "/" + std::to_string(i) + ".mp3");
        }
        const Lines paths = batch.paths;
        ahead.start(std::move(batch));
        const std::size_t taken = size == 300 ? size : size / 2;
        for (std::size_t i = 0; i < taken; ++i) {
            ASSERT_EQ(ahead.take(i).artist, paths[i]);
        }
    }
}

}  // namespace
}  // namespace trackfold::test
