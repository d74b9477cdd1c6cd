#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engine/run/plan_tree.h"
#include "engine/run/sort_run.h"
#include "engine/walk/file_count.h"
#include "sort_test_support.h"
#include "support/mounted_image.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class PreviewTest : public ::testing::Test, public SortFixture {
  public:
    Lines run(bool preview) {
        window.log.clear();
        CancelState = Idle;
        SortRequest request{in_folder(), out_folder(), settings};
        request.mode = preview ? DiskMode::preview : DiskMode::real;
        sort_run(window, request);
        return window.log;
    }

    // Sorting onto a FAT or exFAT image: names the disk refuses, times it keeps coarsely.
    bool on_disk(DiskKind kind) {
        disk_ = std::make_unique<MountedImage>(kind, tmp.path() / "image");
        if (!disk_->mounted()) {
            why_not_ = disk_->why_not();
            return false;
        }
        out = disk_->path() / "out";
        make_mp3(in / "What?.mp3", {TagKind::Id3v24, "AC/DC", "Back"});
        make_mp3(in / "b.mp3", {TagKind::Id3v24, "AC/DC", "Back"}, mpeg_audio(6));
        run(false);
        make_mp3(in / "c.mp3", {TagKind::Id3v24, "AC/DC", "Back"}, mpeg_audio(8));
        make_mp3(in / "Caf\xe9.mp3", {TagKind::Id3v24, "AC/DC", "Back"}, mpeg_audio(10));
        return true;
    }

    void TearDown() override { disk_.reset(); }

    std::unique_ptr<MountedImage> disk_;
    std::string why_not_;

    // Every path below the temporary folder, with size and time.
    Lines everything() const {
        Lines paths;
        for (const auto& entry : fs::recursive_directory_iterator(
                 tmp.path(), fs::directory_options::skip_permission_denied)) {
            std::error_code ec;
            if (entry.path().extension() == ".img") {
                continue;  // a disk keeps access times in its image, a preview or not
            }
            paths.push_back(
                entry.path().string() + " " +
                std::to_string(entry.is_regular_file(ec) ? entry.file_size() : 0) + " " +
                std::to_string(fs::last_write_time(entry.path(), ec).time_since_epoch().count()));
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

TEST_F(PreviewTest, ThePreviewPrintsExactlyTheLinesOfTheRunThatFollowsAndWritesNothing) {
    const struct {
        const char* layout;
        std::function<bool(PreviewTest&)> set_up;  // false: the layout cannot be made here
        bool unprivileged;
    } cases[] = {
        {"in place, a file already sorted and a download",
         [](PreviewTest& t) {
             make_mp3(t.in / "Band/Album/1.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "Downloads/1.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));
             make_mp3(t.in / "Downloads/2.mp3", {TagKind::Id3v24, "Band", "Album"});
             t.out = t.in;
             return true;
         },
         false},
        {"the output inside the input",
         [](PreviewTest& t) {
             make_mp3(t.in / "a.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "z/b.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));
             t.out = t.in / "sorted";
             return true;
         },
         false},
        {"one recording twice, and another under its name",
         [](PreviewTest& t) {
             make_mp3(t.in / "a/1.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "b/1.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "c/1.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));
             return true;
         },
         false},
        {"a file where the artist folder goes",
         [](PreviewTest& t) {
             make_mp3(t.in / "a.mp3", {TagKind::Id3v24, "Band", "Album"});
             write_file(t.out / "band", "not a folder");
             return true;
         },
         false},
        {"existing copies and another recording under a name",
         [](PreviewTest& t) {
             make_mp3(t.in / "a.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "b.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));
             t.run(false);
             make_mp3(t.in / "c.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(8));
             write_file(t.out / "Band/Album/c.mp3", "someone else's");
             return true;
         },
         false},
        {"an output folder that cannot be written",
         [](PreviewTest& t) {
             make_mp3(t.in / "a.mp3", {TagKind::Id3v24, "Band", "Album"});
             fs::create_directories(t.out);
             fs::permissions(t.out, fs::perms::owner_read | fs::perms::owner_exec);
             return true;
         },
         true},
        {"an album folder that cannot be written",
         [](PreviewTest& t) {
             make_mp3(t.in / "a.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "b.mp3", {TagKind::Id3v24, "Band", "Other"});
             fs::create_directories(t.out / "Band/Album");
             fs::permissions(t.out / "Band/Album", fs::perms::owner_read | fs::perms::owner_exec);
             return true;
         },
         true},
        {"a move, with a source that cannot be removed",
         [](PreviewTest& t) {
             PutIniText(t.settings, "SYSTEM", "Mode", "move");
             make_mp3(t.in / "a.mp3", {TagKind::Id3v24, "Band", "Album"});
             make_mp3(t.in / "fixed/b.mp3", {TagKind::Id3v24, "Band", "Album"}, mpeg_audio(6));
             fs::permissions(t.in / "fixed", fs::perms::owner_read | fs::perms::owner_exec |
                                                 fs::perms::others_read | fs::perms::others_exec);
             return true;
         },
         true},
        {"an exFAT disk", [](PreviewTest& t) { return t.on_disk(DiskKind::ExFat); }, false},
        {"a FAT disk", [](PreviewTest& t) { return t.on_disk(DiskKind::Fat32); }, false},
        // Where neither starts.
        {"a FAT disk through fusefat", [](PreviewTest& t) { return t.on_disk(DiskKind::FuseFat); },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        disk_.reset();
        fs::remove_all(tmp.path() / "image");
        fs::remove_all(tmp.path() / "in");
        fs::remove_all(tmp.path() / "out");
        in = tmp.path() / "in";
        out = tmp.path() / "out";
        fs::create_directories(in);
        fs::remove(settings);
        if (!c.set_up(*this)) {
            std::printf("skipped: %s: %s\n", c.layout, why_not_.c_str());
            continue;
        }
        AsUnprivileged nobody(c.unprivileged ? tmp.path() : fs::path());
        const Lines before = everything();

        const Lines preview = run(true);
        ASSERT_EQ(everything(), before) << "the preview wrote";
        const Lines real = run(false);

        EXPECT_EQ(preview, real);
        EXPECT_FALSE(real.empty());
    }
}

TEST(PlanTreeTest, AFolderOfTheOutputNamedLikeTheFailuresIsKeptApartFromThem) {
    PlanTree tree("/out/");
    FilePlaced placed;
    placed.target = "/out//Not placed/x.mp3";
    tree.add(placed);
    FileFailed failed;
    failed.source = "/in/y.mp3";
    tree.add(failed);
    tree.finish();
    const auto& children = tree.root().children;
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0]->children.at(0)->name, "x.mp3");
    EXPECT_EQ(children[1]->children.at(0)->name, "y.mp3");
    EXPECT_EQ(children[1]->files, 1u);
}

TEST_F(PreviewTest, AMovesPreviewSaysWhatItWouldFreeAndAnInPlaceCountCountsTheFiles) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    make_mp3(in / "b.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(300));
    PutIniText(settings, "SYSTEM", "Mode", "move");
    const std::uintmax_t both = fs::file_size(in / "a.mp3") + fs::file_size(in / "b.mp3");
    disk_ = std::make_unique<MountedImage>(DiskKind::ExFat, tmp.path() / "image");
    if (!disk_->mounted()) {
        GTEST_SKIP() << "no exFAT image: " << disk_->why_not();
    }
    out = disk_->path() / "out";
    EXPECT_NE(run(true).end()[-2].find("; " + std::to_string(both / 1000) + " KB freed"),
              std::string::npos)
        << window.log.end()[-2];
    out = in;
    EXPECT_NE(run(true).end()[-2].find("; 0 bytes freed"), std::string::npos);

    // Sorting a folder into itself, the count behind the progress takes what the walk takes.
    const FileCount count(in_folder(), {"mp3"}, in_folder());
    for (int i = 0; i < 500 && !count.total(); ++i) {
        ::usleep(2000);
    }
    EXPECT_EQ(count.total(), std::optional<std::size_t>(2));
}

}  // namespace
}  // namespace trackfold::test
