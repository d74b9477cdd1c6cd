// Undo and move against what others may have done to the output, its record and the input.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <set>

#include "engine/lines/line_texts.h"
#include "engine/record/placement_record.h"
#include "engine/record/undo_run.h"
#include "engine/run/sort_run.h"
#include "sort_test_support.h"
#include "support/mounted_image.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

enum class UndoDisk { Ext4, ExFat };

class UndoSafetyTest : public ::testing::TestWithParam<UndoDisk>, public SortFixture {
  protected:
    void SetUp() override {
        use_sub_folders("", "", "");
        if (GetParam() == UndoDisk::ExFat) {
            disk_ = std::make_unique<MountedImage>(DiskKind::ExFat, tmp.path());
            if (!disk_->mounted()) {
                GTEST_SKIP() << "no exFAT file system to test on: " << disk_->why_not();
            }
            out = disk_->path() / "out";
        }
    }
    void TearDown() override { disk_.reset(); }

    // exFAT keeps no owners: every file there may be written by all.
    UndoResult undo() {
        lines.clear();
        UndoRequest request{out_folder()};
        request.trust = GetParam() == UndoDisk::ExFat ? RecordTrust::given : RecordTrust::checked;
        return undo_run(request, [&](const UndoStep& step) { lines.push_back(undo_line(step)); });
    }

    bool run(const char* mode) {
        PutIniText(settings, "SYSTEM", "Mode", mode);
        window.log.clear();
        CancelState = Idle;
        return sort_run(window, SortRequest{in_folder(), out_folder(), settings}).outcome ==
               RunOutcome::Complete;
    }

    std::string last_run() const {
        std::string run;
        read_record((out / kRecordFileName).string(), [&](const RecordLine& line, std::uint64_t) {
            run = line.action == RecordAction::Start ? line.run : run;
            return true;
        });
        return run;
    }

    // A line the record's run `run` did not write, as anyone who may write the record can add.
    void forge(RecordAction action, const std::string& source, const std::string& target,
               const fs::path& stamped_as) {
        RecordLine line;
        line.run = last_run();
        line.time = "2026-12-09T00:00:00Z";
        line.action = action;
        line.source = source;
        line.target = target;
        line.source_stamp = line.target_stamp = *stamp_of_path(stamped_as.string()).stamp;
        std::ofstream(out / kRecordFileName, std::ios::app) << format_record_line(line) << "\n";
    }

    Lines lines;
    std::unique_ptr<MountedImage> disk_;
};

TEST_P(UndoSafetyTest, ForgedLinesNeverReachOutsideTheOutputOrTheRunsInput) {
    make_mp3(in / "a.mp3", {TagKind::None}, mpeg_audio(200));
    ASSERT_TRUE(run("copy"));
    const fs::path secret = tmp.path() / "victim/secret.txt";
    write_file(secret, std::string(70000, 's'));
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    write_file(tmp.path() / "twin/secret.txt", read_file(secret));
    const std::string twin = (tmp.path() / "twin/secret.txt").string();
    const std::string escape = fs::relative(secret, out).string();  // "../.../victim/secret.txt"
    // Removing the secret, moving it into the input, making a file outside both.
    forge(RecordAction::Copied, twin, escape, secret);
    forge(RecordAction::Copied, in_folder() + "taken.txt", escape, secret);
    forge(RecordAction::SourceRemoved, in_folder() + "taken.txt", escape, secret);
    ASSERT_TRUE(fs::exists(out / "a.mp3"));
    forge(RecordAction::AlreadyThere, (tmp.path() / "made/evil.mp3").string(), "a.mp3",
          out / "a.mp3");
    forge(RecordAction::SourceRemoved, (tmp.path() / "made/evil.mp3").string(), "a.mp3",
          out / "a.mp3");
    if (GetParam() == UndoDisk::Ext4) {
        // A folder on the way that leads out.
        fs::create_directory_symlink(secret.parent_path(), out / "way");
        forge(RecordAction::Copied, twin, "way/secret.txt", secret);
    }

    const UndoResult undone = undo();

    EXPECT_FALSE(undone.whole);
    EXPECT_TRUE(read_file(secret) == std::string(70000, 's'));
    EXPECT_FALSE(fs::exists(in / "taken.txt"));
    EXPECT_FALSE(fs::exists(tmp.path() / "made"));
    const auto refused = std::count_if(lines.begin(), lines.end(),
                                       [](const auto& l) { return l.starts_with("Refused: "); });
    EXPECT_EQ(refused, GetParam() == UndoDisk::Ext4 ? 4 : 3) << ::testing::PrintToString(lines);
}

TEST_P(UndoSafetyTest, ACopyWhoseSourceBecameALinkToItIsKept) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) {
        make_mp3(in / name, {TagKind::None}, mpeg_audio(200 + name[0]));
    }
    ASSERT_TRUE(run("copy"));
    // As a deduplicating tool leaves them: the sources now links to the copies.
    for (const char* name : {"1.mp3", "2.mp3"}) {
        fs::remove(in / name);
        fs::create_symlink(out / name, in / name);
    }
    const bool hard = GetParam() == UndoDisk::Ext4;
    if (hard) {
        fs::remove(in / "3.mp3");
        fs::create_hard_link(out / "3.mp3", in / "3.mp3");
    }
    const std::string three = read_file(out / "3.mp3");

    const UndoResult first = undo();
    EXPECT_FALSE(first.whole);
    EXPECT_EQ(undo().run, first.run) << "a run an undo left part done comes first again";

    const Lines kept = hard ? Lines{"1.mp3", "2.mp3", "3.mp3"} : Lines{"1.mp3", "2.mp3"};
    EXPECT_EQ(files_below(out), kept);
    EXPECT_TRUE(read_file(in / "3.mp3") == three);
    EXPECT_EQ(lines.at(1), "Kept: " + out_folder() +
                               "2.mp3 ...Its source is now a link: this "
                               "may be the only copy");
    if (hard) {
        EXPECT_EQ(lines.at(0), "Kept: " + out_folder() +
                                   "3.mp3 ...Its source is this very file "
                                   "under another name");
    }
}

TEST_P(UndoSafetyTest, AnUndoWaitsForNoRunAndAKilledOneIsFinishedByTheNext) {
    std::set<std::string> recordings;
    for (int i = 0; i < 6; ++i) {
        const fs::path file = in / ("d" + std::to_string(i % 2)) / (std::to_string(i) + ".mp3");
        make_mp3(file, {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200 + i));
        recordings.insert(read_file(file));
    }
    const auto before = files_below(in);
    // Asked for while the move is going on, the undo is refused and changes nothing.
    std::string refused;
    window.on_pump = [&] {
        if (refused.empty()) {
            refused = undo().problem;
        }
    };
    ASSERT_TRUE(run("move"));
    window.on_pump = [] {};
    EXPECT_NE(refused.find("a run into this output folder is going on"), std::string::npos)
        << refused;
    EXPECT_EQ(files_below(in), Lines{});

    // Killed by its first write past the limit, after a file or two.
    const auto record_size = fs::file_size(out / kRecordFileName);
    const int status = in_child([&] { undo(); }, record_size + 700);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_NE(files_below(out), Lines{}) << "killed before it was done";
    std::multiset<std::string> somewhere;
    for (const fs::path& root : {in, out}) {
        for (const std::string& file : files_below(root)) {
            somewhere.insert(read_file(root / file));
        }
    }
    for (const std::string& recording : recordings) {
        EXPECT_EQ(somewhere.count(recording), 1u);
    }

    // What a move killed in a copy leaves: its temporary goes with the undo.
    const std::string left = ".trackfold-1-" + last_run() + "-9.part";
    write_file(out / "Artist/Album" / left, "half a copy");

    const UndoResult finished = undo();
    EXPECT_TRUE(finished.whole) << ::testing::PrintToString(lines);
    EXPECT_EQ(files_below(in), before);
    EXPECT_EQ(files_below(out), Lines{});
    EXPECT_NE(undo().problem, "") << "nothing is left to undo";
}

TEST_P(UndoSafetyTest, OnlyTemporariesOfRunsThatCertainlyEndedAreRemoved) {
    make_mp3(in / "1.mp3", {TagKind::None}, mpeg_audio(200));
    ASSERT_TRUE(run("copy"));
    const std::string ended = last_run();
    // A run going on elsewhere: in another PID namespace its process id means nothing here.
    PlacementRecord live(out_folder());
    ASSERT_FALSE(live.open(RecordUse::run));
    ASSERT_FALSE(live.begin(RecordAction::Start, in_folder()));
    const std::string pid = std::to_string(::getpid());
    const std::string alive = ".trackfold-999999999-" + live.run_id() + "-1.part";
    const std::string users = ".trackfold-" + pid + "-" + ended + "-live take.mp3";
    const std::string stale = ".trackfold-" + pid + "-" + ended + "-3.part";
    for (const std::string& name : {alive, users, stale}) {
        write_file(out / name, name);
    }
    make_mp3(in / "2.mp3", {TagKind::None}, mpeg_audio(201));

    ASSERT_TRUE(run("copy"));

    EXPECT_TRUE(fs::exists(out / alive));
    EXPECT_TRUE(fs::exists(out / users));
    EXPECT_FALSE(fs::exists(out / stale));
}

TEST_P(UndoSafetyTest, AnUnchangedReRunWritesOnlyItsStartSettingsAndEndAlsoForTwinSources) {
    for (const char* folder : {"a", "b"}) {
        make_mp3(in / folder / "x.mp3", {TagKind::None}, mpeg_audio(200));
        fs::last_write_time(in / folder / "x.mp3",
                            fs::last_write_time(in / "a/x.mp3") - std::chrono::hours(folder[0]));
    }
    ASSERT_TRUE(run("copy"));
    const auto lines_now = [&] {
        const std::string record = read_file(out / kRecordFileName);
        return std::count(record.begin(), record.end(), '\n');
    };
    const auto after_first = lines_now();

    ASSERT_TRUE(run("copy"));

    EXPECT_EQ(lines_now(), after_first + 3);
    EXPECT_EQ(files_below(out), Lines{"x.mp3"});
}

// Anyone who may write the record may have written any line of it.
TEST_P(UndoSafetyTest, ARecordOthersMayHaveWrittenIsRefusedUnlessTrusted) {
    if (GetParam() != UndoDisk::Ext4) {
        GTEST_SKIP() << "exFAT keeps no owners or permissions";
    }
    make_mp3(in / "a.mp3", {TagKind::None}, mpeg_audio(200));
    ASSERT_TRUE(run("copy"));
    const fs::path record = out / kRecordFileName;
    fs::permissions(record, fs::perms::others_write, fs::perm_options::add);
    EXPECT_NE(undo().problem.find("others may write to it"), std::string::npos);
    fs::permissions(record, fs::perms::others_write, fs::perm_options::remove);
    ASSERT_EQ(::chown(record.c_str(), 12345, 12345), 0);
    EXPECT_NE(undo().problem.find("belongs to another user"), std::string::npos);
    EXPECT_TRUE(fs::exists(out / "a.mp3"));

    UndoRequest trusted{out_folder()};
    trusted.trust = RecordTrust::given;
    EXPECT_TRUE(undo_run(trusted, [](const UndoStep&) {}).whole);
    EXPECT_FALSE(fs::exists(out / "a.mp3"));
}

TEST_P(UndoSafetyTest, NoRunStartsWhileAnUndoIsGoingOn) {
    make_mp3(in / "a.mp3", {TagKind::None}, mpeg_audio(200));
    ASSERT_TRUE(run("copy"));
    PlacementRecord undoing(out_folder());
    ASSERT_FALSE(undoing.open(RecordUse::undo, RecordTrust::given));
    EXPECT_FALSE(run("copy"));
    EXPECT_EQ(window.log.back(), "...Not started (cannot use the record " + out_folder() +
                                     std::string(kRecordFileName) +
                                     ": an undo of this output folder is going on)");
}

// A damaged record (a disk that lost its blocks reads zeros) costs no more than a good one.
TEST(DamagedRecord, ARecordWithoutLineBreaksIsReadInBoundedMemory) {
    TempDir out;
    {
        std::ofstream record(out.path() / kRecordFileName, std::ios::binary);
        const std::string zeros(1 << 20, '\0');
        for (int i = 0; i < 96; ++i) {
            record << zeros;
        }
    }
    const fs::path peak = out.path() / "peak";
    const int status = in_child([&] {
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        PlacementRecord record(out.folder());
        const bool read = !record.open(RecordUse::preview) && record.index().size() == 0;
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        std::ofstream(peak) << (read ? after.ru_maxrss - before.ru_maxrss : -1);
    });
    ASSERT_TRUE(WIFEXITED(status));
    const long grew_kb = std::stol(read_file(peak));
    EXPECT_GE(grew_kb, 0);
    EXPECT_LT(grew_kb, 16 * 1024) << "kilobytes more than before";
}

// Bytes read through read and pread by this process, all its threads together.
long long bytes_read() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value && key != "rchar:") {
    }
    return value;
}

// A record of an old run of many files, then a run of two: a run and an undo read it once.
TEST(RecordReading, ARunAndAnUndoReadTheRecordOnce) {
    SortFixture t;
    t.use_sub_folders("", "", "");
    fs::create_directories(t.out);
    std::ofstream record(t.out / kRecordFileName);
    record << kRecordVersionLine << "\n";
    RecordLine line;
    line.run = "0123456789ab";
    line.time = "2026-01-01T00:00:00Z";
    line.source = "/gone/";
    record << format_record_line(line) << "\n";
    line.action = RecordAction::Copied;
    for (int i = 0; i < 20000; ++i) {
        line.source = "/gone/Old Artist/Old Album/track " + std::to_string(i) + ".mp3";
        line.target = "Old Artist/Old Album/track " + std::to_string(i) + ".mp3";
        record << format_record_line(line) << "\n";
    }
    line.action = RecordAction::End;
    line.target = "complete";
    record << format_record_line(line) << "\n";
    record.close();
    make_mp3(t.in / "1.mp3", {TagKind::None}, mpeg_audio(20));
    ASSERT_TRUE(t.sort());
    make_mp3(t.in / "2.mp3", {TagKind::None}, mpeg_audio(21));
    const auto size = static_cast<long long>(fs::file_size(t.out / kRecordFileName));

    const long long before_run = bytes_read();
    ASSERT_TRUE(t.sort());
    const long long before_undo = bytes_read();
    EXPECT_TRUE(undo_run(UndoRequest{t.out_folder()}, [](const UndoStep&) {}).whole);
    const long long after_undo = bytes_read();

    EXPECT_LT(before_undo - before_run, size * 3 / 2) << "the run, of a record of " << size;
    EXPECT_LT(after_undo - before_undo, size * 3 / 2) << "the undo, of a record of " << size;
    EXPECT_EQ(SortFixture::files_below(t.out), Lines{"1.mp3"});
}

std::string undo_disk_name(const ::testing::TestParamInfo<UndoDisk>& info) {
    return info.param == UndoDisk::Ext4 ? "Ext4" : "ExFat";
}

INSTANTIATE_TEST_SUITE_P(Disks, UndoSafetyTest, ::testing::Values(UndoDisk::Ext4, UndoDisk::ExFat),
                         undo_disk_name);

}  // namespace
}  // namespace trackfold::test
