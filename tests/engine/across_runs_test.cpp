#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <latch>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "engine/record/placement_record.h"
#include "sort_test_support.h"
#include "support/mounted_image.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

enum class Disk { Ext4, ExFat, Fat32 };

// Runs after runs into one output folder, on the disk under test: what an earlier run left
// there must never be lost to a later one.
class AcrossRunsTest : public ::testing::TestWithParam<Disk>, public SortFixture {
  protected:
    void SetUp() override {
        if (GetParam() != Disk::Ext4) {
            disk_ = std::make_unique<MountedImage>(
                GetParam() == Disk::ExFat ? DiskKind::ExFat : DiskKind::Fat32, tmp.path());
            if (!disk_->mounted()) {
                GTEST_SKIP() << "no FAT/exFAT file system to test on: " << disk_->why_not();
            }
            out = disk_->path() / "out";
        }
    }
    void TearDown() override { disk_.reset(); }

    fs::path album() const { return out / "Artist/Album"; }

    // Every file below the output folder with its bytes and time, the record left out.
    std::map<std::string, std::pair<std::string, fs::file_time_type>> output_now() const {
        std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
        for (const std::string& file : files_below(out)) {
            files[file] = {read_file(out / file), fs::last_write_time(out / file)};
        }
        return files;
    }

    // A child process that sorts `folder` and is killed in its first copy larger than limit.
    void killed_sort(const std::string& folder, rlim_t limit) {
        const int status = in_child([&] { sort_from(folder); }, limit);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << folder;
    }

    // The placements of each run, once every line is found whole: each but the version line
    // reads as a line of the record.
    std::map<std::string, std::size_t> placements_if_whole() const {
        const std::string record = read_file(out / kRecordFileName);
        std::size_t lines = 1;
        std::map<std::string, std::size_t> placements;
        read_record((out / kRecordFileName).string(), [&](const RecordLine& line, std::uint64_t) {
            ++lines;
            placements[line.run] += is_placement(line.action);
            return true;
        });
        EXPECT_EQ(lines, static_cast<std::size_t>(std::count(record.begin(), record.end(), '\n')));
        return placements;
    }

    std::unique_ptr<MountedImage> disk_;
};

// A recording written for a test step: its bytes, to find it again in the output.
struct Recording {
    std::string name;
    std::string bytes;
};

TEST_P(AcrossRunsTest, AFileIsReplacedOnlyByANewVersionOfItsOwnSource) {
    using Step = std::function<void(AcrossRunsTest&, std::vector<Recording>&)>;
    // A new file where none or another was (a new file object), or the same file rewritten.
    auto put = [](const char* path, int frames) -> Step {
        return [=](AcrossRunsTest& t, std::vector<Recording>& made) {
            fs::remove(t.in / path);
            make_mp3(t.in / path, {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(frames));
            made.push_back({path, read_file(t.in / path)});
        };
    };
    auto retag = [](const char* path, int frames) -> Step {
        return [=](AcrossRunsTest& t, std::vector<Recording>& made) {
            make_mp3(t.in / path, {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(frames));
            made.push_back({path, read_file(t.in / path)});
        };
    };
    auto sort_from = [](const char* folder) -> Step {
        return [=](AcrossRunsTest& t, std::vector<Recording>&) {
            t.sort_from((t.in / folder).string() + "/");
        };
    };
    auto clear = [](const char* folder) -> Step {
        return [=](AcrossRunsTest& t, std::vector<Recording>&) { fs::remove_all(t.in / folder); };
    };
    auto on_record = [](const char* what) -> Step {
        return [=](AcrossRunsTest& t, std::vector<Recording>&) {
            const fs::path record = t.out / kRecordFileName;
            if (std::string(what) == "delete") {
                fs::remove(record);
                return;
            }
            if (std::string(what) == "share") {
                std::error_code ec;  // FAT and exFAT have no permissions to change
                fs::permissions(record, fs::perms::others_write, fs::perm_options::add, ec);
                return;
            }
            // Cut in the middle of the file's line, as a killed run may leave it, and garbage
            // after it.
            const std::string text = read_file(record);
            fs::resize_file(record, text.find("\tcopied\t") + 20);
            std::ofstream(record, std::ios::app) << "\ngarbage\tcopied\t\\q\n\n\t\t\t\nx";
        };
    };
    // Another recording with the size and time of the first: only its bytes differ.
    auto lookalike = [](const char* path, const char* of) -> Step {
        return [=](AcrossRunsTest& t, std::vector<Recording>& made) {
            fs::create_directories((t.in / path).parent_path());
            fs::copy_file(t.in / of, t.in / path);
            alter_audio(t.in / path);
            fs::last_write_time(t.in / path, fs::last_write_time(t.in / of));
            made.push_back({path, read_file(t.in / path)});
        };
    };
    const struct {
        const char* story;
        std::vector<Step> steps;
        std::map<std::string, int> expected;  // file in the album folder -> recording made
        // Where the disk's times cannot show that the copy is still as written (FAT, exFAT
        // through FUSE): nothing is replaced there.
        std::map<std::string, int> on_fat = {};
    } cases[] = {
        {"two discs with one name, sorted on two days",
         {put("disc1/01.mp3", 4), sort_from("disc1"), put("disc2/01.mp3", 6), sort_from("disc2")},
         {{"01.mp3", 0}, {"01 (2).mp3", 1}}},
        {"another recording with the name, size and time of the copy",
         {put("disc1/01.mp3", 200), sort_from("disc1"), lookalike("disc2/01.mp3", "disc1/01.mp3"),
          sort_from("disc2")},
         {{"01.mp3", 0}, {"01 (2).mp3", 1}}},
        {"an incoming folder cleared after every night, one name each night",
         {put("incoming/01.mp3", 4), sort_from("incoming"), clear("incoming"),
          put("incoming/01.mp3", 6), sort_from("incoming"), clear("incoming"),
          put("incoming/01.mp3", 8), sort_from("incoming")},
         {{"01.mp3", 0}, {"01 (2).mp3", 1}, {"01 (3).mp3", 2}}},
        {"the record deleted, then the source re-tagged",
         {put("a/01.mp3", 4), sort_from("a"), on_record("delete"), retag("a/01.mp3", 6),
          sort_from("a")},
         {{"01.mp3", 0}, {"01 (2).mp3", 1}}},
        {"the record made writable by others, then the source re-tagged",
         {put("a/01.mp3", 4), sort_from("a"), on_record("share"), retag("a/01.mp3", 6),
          sort_from("a")},
         {{"01.mp3", 0}, {"01 (2).mp3", 1}}},
        {"the file's line cut short, garbage after it, then the source re-tagged",
         {put("a/01.mp3", 4), sort_from("a"), on_record("spoil"), retag("a/01.mp3", 6),
          sort_from("a")},
         {{"01.mp3", 0}, {"01 (2).mp3", 1}}},
        {"a source re-tagged: its own copy is replaced, and nothing else",
         {put("a/01.mp3", 4), put("a/02.mp3", 4), sort_from("a"), retag("a/01.mp3", 6),
          sort_from("a")},
         {{"01.mp3", 2}, {"02.mp3", 1}},
         {{"01.mp3", 1}, {"01 (2).mp3", 2}, {"02.mp3", 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.story);
        fs::remove_all(in);
        fs::remove_all(out);
        std::vector<Recording> made;
        for (const Step& step : c.steps) {
            step(*this, made);
        }

        std::map<std::string, int> found;
        for (const std::string& file : files_below(album())) {
            for (std::size_t i = 0; i < made.size(); ++i) {
                if (read_file(album() / file) == made[i].bytes) {
                    found[file] = static_cast<int>(i);
                }
            }
        }
        EXPECT_EQ(found, GetParam() == Disk::Ext4 || c.on_fat.empty() ? c.expected : c.on_fat);

        // Nothing changed since: a run writes nothing at all.
        const auto before = output_now();
        c.steps.back()(*this, made);
        EXPECT_EQ(output_now(), before);
    }
}

TEST_P(AcrossRunsTest, AKilledRunLeavesNothingHalfDoneAndTheNextRunAgreesWithItsRecord) {
    make_mp3(in / "earlier/2.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(20));
    sort_from(in_folder() + "earlier/");
    const std::string last_week = read_file(album() / "2.mp3");
    make_mp3(in / "earlier/2.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    make_mp3(in / "fresh/1.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    // Not a temporary of any run in the record, though named like one.
    const std::string look_alike = ".trackfold-4000000-0123456789ab-1.part";
    write_file(album() / look_alike, "a file of the user's");

    // Killed halfway through a new copy and through the replacement of an own earlier copy.
    killed_sort(in_folder() + "fresh/", 40000);
    killed_sort(in_folder() + "earlier/", 40000);
    EXPECT_FALSE(fs::exists(album() / "1.mp3"));
    EXPECT_EQ(read_file(album() / "2.mp3"), last_week);

    sort();

    // Where the disk cannot show that last week's copy is as written, it stays beside the new.
    const bool replaces = GetParam() == Disk::Ext4;
    const std::string new_two = replaces ? "2.mp3" : "2 (2).mp3";
    const Lines expected = replaces ? Lines{look_alike, "1.mp3", "2.mp3"}
                                    : Lines{look_alike, "1.mp3", "2 (2).mp3", "2.mp3"};
    EXPECT_EQ(files_below(album()), expected);
    EXPECT_EQ(read_file(album() / "1.mp3"), read_file(in / "fresh/1.mp3"));
    EXPECT_EQ(read_file(album() / new_two), read_file(in / "earlier/2.mp3"));
    // The record's last word on each file is what the file is now.
    std::map<std::string, FileStamp> said;
    read_record((out / kRecordFileName).string(), [&](const RecordLine& line, std::uint64_t) {
        if (is_placement(line.action)) {
            said[line.target] = line.target_stamp;
        }
        return true;
    });
    for (const std::string& name : {std::string("1.mp3"), new_two}) {
        const std::string target = "Artist/Album/" + name;
        ASSERT_TRUE(said.contains(target)) << target;
        const StampResult now = stamp_of_path((out / target).string());
        EXPECT_TRUE(now.stamp && untouched_since(*now.stamp, said[target])) << target;
    }
}

TEST_P(AcrossRunsTest, TwoRunsAtOnceKeepEachOthersRecordings) {
    constexpr int kFiles = 60;
    for (int i = 0; i < kFiles; ++i) {
        for (const char* disc : {"disc1", "disc2"}) {
            // Every file a recording of its own.
            make_mp3(in / disc / ("track " + std::to_string(i) + ".mp3"),
                     {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(2 * i + disc[4] - '0'));
        }
    }
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> runs;
    for (const char* disc : {"disc1/", "disc2/"}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            char byte = 0;
            ::close(go[1]);
            (void)::read(go[0], &byte, 1);  // both start together
            sort_from(in_folder() + disc);
            const bool recorded =
                std::none_of(window.log.begin(), window.log.end(),
                             [](const auto& l) { return l.starts_with("Record: "); });
            ::_exit(recorded ? 0 : 3);
        }
        runs.push_back(pid);
    }
    ::close(go[0]);
    ::close(go[1]);
    std::size_t recorded_runs = 0;
    for (const pid_t pid : runs) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3));
        recorded_runs += WEXITSTATUS(status) == 0;
    }
    EXPECT_EQ(recorded_runs, 2u);

    std::multiset<std::string> copies;
    for (const std::string& file : files_below(album())) {
        copies.insert(read_file(album() / file));
    }
    EXPECT_EQ(copies.size(), 2u * kFiles);
    for (const auto& entry : fs::recursive_directory_iterator(in)) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(copies.count(read_file(entry.path())), 1u) << entry.path();
        }
    }
    const std::map<std::string, std::size_t> placements = placements_if_whole();
    EXPECT_EQ(placements.size(), recorded_runs);
    for (const auto& [run, count] : placements) {
        EXPECT_EQ(count, static_cast<std::size_t>(kFiles)) << run;
    }
}

// Writes of many lines each, from two writers at once: with no lock on the kernel's own disks.
TEST_P(AcrossRunsTest, TwoRecordsWrittenAtOnceKeepEveryLineWhole) {
    constexpr std::size_t kLines = 20000;
    fs::create_directories(out);
    PlacementRecord records[2] = {PlacementRecord(out_folder()), PlacementRecord(out_folder())};
    std::vector<std::thread> writers;
    std::latch both(2);
    for (PlacementRecord& record : records) {
        ASSERT_FALSE(record.open(RecordUse::run));
        ASSERT_FALSE(record.begin(RecordAction::Start, in_folder()));
        writers.emplace_back([&record, &both] {
            both.arrive_and_wait();
            RecordLine line;
            line.action = RecordAction::Copied;
            line.source = "/music/" + std::string(200, 's') + ".mp3";
            for (std::size_t i = 0; i < kLines; ++i) {
                line.target = "Artist/Album/" + std::to_string(i) + ".mp3";
                record.append(line);
            }
            EXPECT_FALSE(record.end("complete"));
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    std::map<std::string, std::size_t> placements = placements_if_whole();
    for (const PlacementRecord& record : records) {
        EXPECT_EQ(placements[record.run_id()], kLines);
    }
}

// That a move's source goes is written with, and after, every line held back.
TEST(RecordWrites, LinesHeldBackGoOutFirst) {
    const TempDir dir;
    PlacementRecord record(dir.folder());
    ASSERT_FALSE(record.open(RecordUse::run));
    ASSERT_FALSE(record.begin(RecordAction::Start, "/music/"));
    RecordLine line;
    line.action = RecordAction::Copied;
    line.source = "/music/a.mp3";
    line.target = "a.mp3";
    record.append(line);
    line.action = RecordAction::SourceRemoved;
    ASSERT_FALSE(record.append_durably({line}));
    std::vector<RecordAction> said;
    read_record(record.path(), [&](const RecordLine& seen, std::uint64_t) {
        said.push_back(seen.action);
        return true;
    });
    EXPECT_EQ(said, (std::vector<RecordAction>{RecordAction::Start, RecordAction::Copied,
                                               RecordAction::SourceRemoved}));
}

std::string disk_name(const ::testing::TestParamInfo<Disk>& info) {
    static const char* const names[] = {"Ext4", "ExFat", "Fat32"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Disks, AcrossRunsTest,
                         ::testing::Values(Disk::Ext4, Disk::ExFat, Disk::Fat32), disk_name);

}  // namespace
}  // namespace trackfold::test
