// Covers, cue sheets and scans go where their folder's audio went, the way a recording goes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <memory>
#include <vector>

#include "engine/record/undo_run.h"
#include "engine/run/plan_tree.h"
#include "engine/run/sort_run.h"
#include "sort_test_support.h"
#include "support/mounted_image.h"
#include "support/sanitized.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class CompanionMoveTest : public ::testing::Test, public SortFixture {
  public:
    CompanionMoveTest() { PutIniText(settings, "SYSTEM", "Mode", "move"); }

    void run_move() {
        window.log.clear();
        CancelState = Idle;
        sort_run(window, SortRequest{in_folder(), out_folder(), settings});
    }

    // One album with its companions, a folder of two albums beside a cover, and at the
    // album's target a cover with other bytes.
    void make_collection() {
        make_mp3(in / "x/1.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(4));
        make_mp3(in / "x/2.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(6));
        write_file(in / "x/cover.jpg", "the album's cover");
        write_file(in / "x/disc.cue", "FILE \"1.mp3\" MP3");
        write_file(in / "x/Scans/back.jpg", "the back");
        make_mp3(in / "y/3.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(8));
        make_mp3(in / "y/4.mp3", {TagKind::Id3v24, "Artist", "Other"}, mpeg_audio(10));
        write_file(in / "y/folder.jpg", "whose?");
        write_file(out / "Artist/Album/cover.jpg", "another cover");
    }

    // Every file below the folder with its bytes and time.
    static Lines tree(const fs::path& root) {
        Lines files;
        for (const std::string& file : files_below(root)) {
            files.push_back(
                file + " " + read_file(root / file) + " " +
                std::to_string(fs::last_write_time(root / file).time_since_epoch().count()));
        }
        return files;
    }

    std::unique_ptr<MountedImage> disk_;
};

TEST_F(CompanionMoveTest, KilledAnywhereItLosesNoneAndUndoGivesBackTheTree) {
    const Lines done_out = {"Artist/Album/1.mp3",         "Artist/Album/2.mp3",
                            "Artist/Album/3.mp3",         "Artist/Album/Scans/back.jpg",
                            "Artist/Album/cover (2).jpg", "Artist/Album/cover.jpg",
                            "Artist/Album/disc.cue",      "Artist/Other/4.mp3"};
    for (const bool on_image : {false, true}) {
        SCOPED_TRACE(on_image ? "exFAT" : "ext4");
        if (on_image &&
            !(disk_ = std::make_unique<MountedImage>(DiskKind::ExFat, tmp.path() / "image"))
                 ->mounted()) {
            std::printf("skipped: no exFAT image: %s\n", disk_->why_not().c_str());
            continue;
        }
        in = (on_image ? disk_->path() : tmp.path() / "disk") / "in";
        out = in.parent_path() / "out";
        // Killed at its first write past the limit, the record's or a copy's; 0: not killed.
        const std::vector<rlim_t> limits =
            kSanitized ? std::vector<rlim_t>{300, 1500, 2700, 3900, 0}
                       : std::vector<rlim_t>{300, 900, 1500, 2100, 2700, 3300, 3900, 4500, 0};
        for (const rlim_t limit : limits) {
            SCOPED_TRACE(limit);
            fs::remove_all(in);
            fs::remove_all(out);
            make_collection();
            const Lines in_before = tree(in);
            const Lines out_before = tree(out);
            if (limit > 0) {
                in_child([&] { run_move(); }, limit);
                Lines somewhere = tree(in);
                for (const std::string& file : tree(out)) {
                    somewhere.push_back(file);
                }
                for (const std::string& file : in_before) {
                    const std::string bytes = file.substr(file.find(' '));
                    EXPECT_TRUE(std::any_of(somewhere.begin(), somewhere.end(),
                                            [&](const auto& f) { return f.ends_with(bytes); }))
                        << file << " is lost";
                }
            }

            run_move();
            EXPECT_EQ(files_below(in), Lines{"y/folder.jpg"});
            EXPECT_EQ(files_below(out), done_out);
            EXPECT_EQ(read_file(out / "Artist/Album/cover (2).jpg"), "the album's cover");
            if (limit == 0) {
                EXPECT_TRUE(window.log.end()[-2].ends_with("; 3 companion files"));
                EXPECT_EQ(window.log.end()[-4], "Companions: " + in_folder() +
                                                    "y/ ...Kept (1 file stays: the audio beside "
                                                    "it went to 2 albums)");
            }
            // The run that took up the killed one's work, then the killed one.
            for (int runs = limit > 0 ? 2 : 1; runs > 0; --runs) {
                undo_run({out_folder(), std::nullopt, DiskMode::real, RecordTrust::given},
                         [](const UndoStep&) {});
            }
            EXPECT_EQ(tree(in), in_before);
            EXPECT_TRUE(limit > 0 || tree(out) == out_before);
        }
        disk_.reset();
    }
}

// A folder that was once an output keeps its record: another output's undo depends on it, and
// its name ends in .txt like the liner notes that go with the album.
TEST_F(CompanionMoveTest, AnotherOutputsRecordBesideTheAudioStaysWhereItIs) {
    make_mp3(in / "x/1.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(4));
    write_file(in / "x/notes.txt", "liner notes");
    const std::string record(70'000, 'r');
    write_file(in / "x" / kRecordFileName, record);
    run_move();
    EXPECT_EQ(files_below(out), (Lines{"Artist/Album/1.mp3", "Artist/Album/notes.txt"}));
    EXPECT_FALSE(fs::exists(out / "Artist/Album" / kRecordFileName));
    EXPECT_TRUE(fs::exists(in / "x" / kRecordFileName) &&
                read_file(in / "x" / kRecordFileName) == record)
        << "the other output's record was moved or changed";
}

// The preview window's tree shows them where the copy then puts them.
TEST_F(CompanionMoveTest, ACopyAndItsPreviewBringThemAlongUnlessTurnedOff) {
    PutIniText(settings, "SYSTEM", "Mode", "copy");
    make_collection();
    struct PlanWindow : FakeWindow {
        PlanTree plan;
        explicit PlanWindow(std::string output) : plan(std::move(output)) {}
        void report(const RunEvent& event) override {
            plan.add(event);
            FakeWindow::report(event);
        }
    } previewed(out_folder());
    SortRequest request{in_folder(), out_folder(), settings};
    request.mode = DiskMode::preview;
    sort_run(previewed, request);
    previewed.plan.finish();
    const PlanNode& album = *previewed.plan.root().children.at(0)->children.at(0);
    EXPECT_EQ(album.files, 6) << "three recordings and three companions";
    EXPECT_EQ(album.children.at(0)->name, "Scans");
    EXPECT_EQ(album.children.at(4)->name, "cover (2).jpg");
    EXPECT_EQ(album.children.at(4)->mark, PlanMark::Numbered);

    run_move();
    EXPECT_EQ(window.log, previewed.log);
    EXPECT_EQ(files_below(out).size(), 8u);
    EXPECT_EQ(files_below(in).size(), 8u) << "a copy leaves every source";
    fs::remove_all(out);
    PutIniText(settings, "SYSTEM", "Companions", "0");
    run_move();
    EXPECT_EQ(files_below(out), (Lines{"Artist/Album/1.mp3", "Artist/Album/2.mp3",
                                       "Artist/Album/3.mp3", "Artist/Other/4.mp3"}));
}

}  // namespace
}  // namespace trackfold::test
