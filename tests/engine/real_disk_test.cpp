#include <gtest/gtest.h>

#include <memory>

#include "engine/run/sort_run.h"
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
        copied(2, "AlbumName + ArtistName", "b/song.mp3", "/Artist/Album/song (2).mp3", "numbered"),
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

    Lines again;
    for (const std::string& line : lines) {
        again.push_back(line.substr(0, line.rfind('\t')) + "\talready there");
    }
    EXPECT_EQ(window.log, again);
    EXPECT_EQ(files_below(out), files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(read_file(out / files[i]) == copies[i]) << files[i] << " was copied again";
    }
}

// An old Latin-1 file name once failed on exFAT at every run, and Windows cannot open a file
// or folder named like a device.
TEST_P(RealDiskTest, NamesTheDiskRefusesOrWindowsCannotOpenGetOnesItTakes) {
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

class AsciiOnlyDiskTest : public ::testing::Test, public SortFixture {
  protected:
    // Every path below the output folder, the record too, with its size and a sum of its bytes.
    Lines output_now() const {
        Lines now;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            const std::string bytes = entry.is_regular_file() ? read_file(entry.path()) : "";
            now.push_back(entry.path().string() + " " + std::to_string(bytes.size()) + " " +
                          std::to_string(std::hash<std::string>{}(bytes)));
        }
        std::sort(now.begin(), now.end());
        return now;
    }
};

// fusefat refuses every name beyond ASCII: a run there would fail file after file, so neither
// it nor its preview starts, and the disk is left as it was.
TEST_F(AsciiOnlyDiskTest, NeitherARunNorItsPreviewStartsAndTheDiskIsLeftAsItWas) {
    MountedImage disk(DiskKind::FuseFat, tmp.path());
    if (!disk.mounted()) {
        GTEST_SKIP() << "no fusefat disk to test on: " << disk.why_not();
    }
    out = disk.path() / "out";
    write_file(out / "Artist/Album/old.mp3", mpeg_audio(200));
    make_mp3(in / "bjork.mp3", {TagKind::Id3v24, "Bj\xC3\xB6rk", "Homogenic"}, mpeg_audio(200));
    make_mp3(in / "plain.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(210));
    const std::string source = read_file(in / "bjork.mp3");
    const auto source_time = fs::last_write_time(in / "bjork.mp3");
    const Lines before = output_now();
    const Lines line{"...Not started (the disk of " + out_folder() +
                     " takes only ASCII names (its FAT driver, such as FUSE's fusefat, refuses "
                     "every other letter), so most tagged files could not be placed: mount it "
                     "with the kernel's vfat driver (mount -t vfat -o utf8) and start again)"};

    for (const bool preview : {true, false}) {
        SCOPED_TRACE(preview ? "preview" : "run");
        window.log.clear();
        SortRequest request{in_folder(), out_folder(), settings};
        request.mode = preview ? DiskMode::preview : DiskMode::real;
        sort_run(window, request);
        EXPECT_EQ(window.log, line);
        EXPECT_EQ(output_now(), before);
    }
    EXPECT_TRUE(read_file(in / "bjork.mp3") == source);
    EXPECT_EQ(fs::last_write_time(in / "bjork.mp3"), source_time);
}

}  // namespace
}  // namespace trackfold::test
