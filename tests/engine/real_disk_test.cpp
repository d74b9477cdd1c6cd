#include <gtest/gtest.h>

#include <memory>

#include "sort_test_support.h"
#include "support/mounted_image.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

// Sorting onto the disks players and SD cards use, for real.
class RealDiskTest : public ::testing::TestWithParam<DiskKind>, public SortFixture {
  protected:
    void TearDown() override { disk_.reset(); }

    std::unique_ptr<MountedImage> disk_;
};

TEST_P(RealDiskTest, NamesMeetWithoutCaseRefusedNamesAreMadeSafeAndReRunsCopyNothing) {
    disk_ = std::make_unique<MountedImage>(GetParam(), tmp.path());
    if (!disk_->mounted()) {
        GTEST_SKIP() << "no FAT/exFAT file system to test on: " << disk_->why_not();
    }
    out = disk_->path() / "out";
    make_mp3(in / "a/Song.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(4));
    make_mp3(in / "b/song.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(6));
    make_mp3(in / "c/What?.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(8));
    // An odd second with a fraction, which neither disk can keep.
    const auto time = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
    for (const char* name : {"a/Song.mp3", "b/song.mp3", "c/What?.mp3"}) {
        fs::last_write_time(in / name, time - time.time_since_epoch() % std::chrono::seconds(2) +
                                           std::chrono::milliseconds(1234) +
                                           std::chrono::nanoseconds(567));
    }
    const Lines lines{
        copied(1, "AlbumName + ArtistName", "a/Song.mp3", "/Artist/Album/Song.mp3"),
        copied(2, "AlbumName + ArtistName", "b/song.mp3", "/Artist/Album/song (2).mp3"),
        copied(3, "AlbumName + ArtistName", "c/What?.mp3", "/Artist/Album/What_.mp3"),
    };
    const Lines files{"Artist/Album/Song.mp3", "Artist/Album/What_.mp3",
                      "Artist/Album/song (2).mp3"};

    sort();

    EXPECT_EQ(window.log, lines);
    ASSERT_EQ(files_below(out), files);
    EXPECT_TRUE(read_file(out / files[0]) == read_file(in / "a/Song.mp3"));
    EXPECT_TRUE(read_file(out / files[1]) == read_file(in / "c/What?.mp3"));
    EXPECT_TRUE(read_file(out / files[2]) == read_file(in / "b/song.mp3"));
    ASSERT_NE(fs::last_write_time(out / files[0]), fs::last_write_time(in / "a/Song.mp3"))
        << "the disk kept the exact time: nothing here tests coarse times";

    // Change every recording but not its size or time: a copy made again would show it.
    std::vector<std::string> copies;
    for (const std::string& file : files) {
        copies.push_back(read_file(out / file));
    }
    for (const char* name : {"a/Song.mp3", "b/song.mp3", "c/What?.mp3"}) {
        alter_audio(in / name);
    }

    sort();

    EXPECT_EQ(window.log, lines);
    EXPECT_EQ(files_below(out), files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(read_file(out / files[i]) == copies[i]) << files[i] << " was copied again";
    }
}

// An old Latin-1 file name once failed on exFAT at every run, and Windows cannot open a file
// or folder named like a device.
TEST_P(RealDiskTest, NamesTheDiskRefusesOrWindowsCannotOpenGetOnesItTakes) {
    if (GetParam() == DiskKind::Fat32) {
        GTEST_SKIP() << "the FAT driver here (fusefat) takes no name beyond ASCII";
    }
    disk_ = std::make_unique<MountedImage>(GetParam(), tmp.path());
    if (!disk_->mounted()) {
        GTEST_SKIP() << "no FAT/exFAT file system to test on: " << disk_->why_not();
    }
    out = disk_->path() / "out";
    PutIniText(settings, "SYSTEM", "TagCodePage", "CP1252");
    make_mp3(in / "Caf\xE9.mp3", {TagKind::Id3v24, "CON", "Album"});
    make_mp3(in / "nul.mp3", {TagKind::Id3v24, "Artist", "Album"});

    sort();

    EXPECT_EQ(window.log,
              (Lines{copied(1, "AlbumName + ArtistName", "Caf\xE9.mp3", "/CON_/Album/Café.mp3"),
                     copied(2, "AlbumName + ArtistName", "nul.mp3", "/Artist/Album/nul_.mp3")}));
    EXPECT_EQ(files_below(out), (Lines{"Artist/Album/nul_.mp3", "CON_/Album/Café.mp3"}));
}

INSTANTIATE_TEST_SUITE_P(Disks, RealDiskTest, ::testing::Values(DiskKind::ExFat, DiskKind::Fat32),
                         [](const auto& info) {
                             return info.param == DiskKind::ExFat ? "ExFat" : "Fat32";
                         });

}  // namespace
}  // namespace trackfold::test
