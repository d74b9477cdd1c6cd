// Compaction of the placement record: what may go, and that nothing else is ever lost.
#include "engine/record/record_compaction.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/record/undo_run.h"
#include "engine/run/sort_run.h"
#include "sort_test_support.h"
#include "support/sanitized.h"

namespace fs = std::filesystem;

namespace trackfold::test {
namespace {

struct Said {
    const char* run;
    RecordAction action;
    const char* text;  // Undo: the run; End: the outcome
    bool kept;
};

struct Case {
    const char* name;
    std::vector<Said> lines;
};

using A = RecordAction;

const Case kCases[] = {
    {"a run wholly undone goes with its undos",
     {{"r", A::Start, "", false},
      {"r", A::Settings, "code-page=;album-artist=0", false},
      {"r", A::Copied, "", false},
      {"r", A::End, "complete", false},
      {"u", A::Undo, "r", false},
      {"u", A::End, "incomplete", false},
      {"v", A::Undo, "r", false},
      {"v", A::Removed, "", false},
      {"v", A::End, "complete", false},
      {"o", A::Start, "", true},
      {"o", A::Settings, "code-page=;album-artist=0", true},
      {"o", A::Copied, "", true}}},
    {"an undo that kept files keeps everything",
     {{"r", A::Start, "", true},
      {"r", A::SourceRemoved, "", true},
      {"r", A::End, "complete", true},
      {"u", A::Undo, "r", true},
      {"u", A::End, "incomplete", true}}},
    {"a run that never ended stays though undone",
     {{"r", A::Start, "", true},
      {"r", A::Copied, "", true},
      {"u", A::Undo, "r", true},
      {"u", A::End, "complete", true}}},
    {"an undo not ended stays with its run",
     {{"r", A::Start, "", true},
      {"r", A::End, "complete", true},
      {"u", A::Undo, "r", true},
      {"u", A::Removed, "", true}}},
    {"a run id begun twice is no run of ours",
     {{"r", A::Start, "", true},
      {"r", A::Start, "", true},
      {"r", A::End, "complete", true},
      {"u", A::Undo, "r", true},
      {"u", A::End, "complete", true}}},
    {"an ended compaction goes, a killed one stays",
     {{"c", A::Compact, "", false}, {"c", A::End, "complete", false}, {"k", A::Compact, "", true}}},
};

TEST(RecordCompactionTest, KeepsOnlyWhatCanBeNeededAgain) {
    for (const Case& c : kCases) {
        std::vector<RecordLine> lines;
        RecordCompaction decision;
        std::size_t kept = 0;
        for (const Said& said : c.lines) {
            RecordLine line;
            line.run = said.run;
            line.action = said.action;
            line.target = said.text;
            decision.learn(line);
            lines.push_back(line);
            kept += said.kept ? 1 : 0;
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(decision.keeps(lines[i]), c.lines[i].kept) << c.name << ", line " << i;
        }
        EXPECT_EQ(decision.lines_kept(), kept) << c.name;
    }
}

class CompactionTest : public ::testing::Test, public SortFixture {
  protected:
    void SetUp() override { use_sub_folders("", "", ""); }

    UndoResult undo(std::optional<std::string> run = std::nullopt) {
        return undo_run(UndoRequest{out_folder(), std::move(run)}, [](const UndoStep&) {});
    }
    bool run() {
        CancelState = Idle;
        return sort_run(window, SortRequest{in_folder(), out_folder(), settings}).outcome ==
               RunOutcome::Complete;
    }
    std::vector<RecordLine> record_lines() const {
        std::vector<RecordLine> lines;
        read_record((out / kRecordFileName).string(), [&](const RecordLine& line, std::uint64_t) {
            lines.push_back(line);
            return true;
        });
        return lines;
    }
    std::vector<std::string> temporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out)) {
            if (entry.path().filename().string().ends_with(".part")) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }
};

TEST_F(CompactionTest, AfterAWholeUndoItsRunIsGoneAndTheOthersCanStillBeUndone) {
    make_mp3(in / "a.mp3", {TagKind::None}, mpeg_audio(200));
    ASSERT_TRUE(run());
    const std::string kept_run = record_lines().front().run;
    for (const char* name : {"b1.mp3", "b2.mp3", "b3.mp3"}) {
        make_mp3(in / name, {TagKind::None}, mpeg_audio(300 + name[1]));
    }
    ASSERT_TRUE(run());
    // A line of a later version, which this one cannot read.
    const fs::path record = out / ".trackfold-record.txt";
    write_file(record, read_file(record) + "f00d\t2030-01-01T00:00:00Z\tlater-word\tx\n");

    const UndoResult undone = undo();
    ASSERT_TRUE(undone.whole);
    EXPECT_TRUE(undone.compaction.compacted) << undone.compaction.problem;
    EXPECT_NE(read_file(record).find("\tlater-word\tx\n"), std::string::npos);
    for (const RecordLine& line : record_lines()) {
        EXPECT_EQ(line.run, kept_run) << format_record_line(line);
    }
    EXPECT_TRUE(undo(kept_run).whole);
    EXPECT_EQ(files_below(out), std::vector<std::string>{});
}

// The next compaction (or undo) sweeps what a killed one leaves.
// Enough lines that the compaction is still writing when it is killed; a sanitizer's build
// compacts several times slower, so a third of them keeps it busy as long.
constexpr int kLinesPerRun = kSanitized ? 20000 : 60000;

TEST_F(CompactionTest, AKilledCompactionLeavesTheOldRecordWholeAndItsTemporaryIsSwept) {
    std::string text = std::string(kRecordVersionLine) + "\n";
    RecordLine line;
    line.time = "2026-12-08T17:31:32Z";
    for (const char* run : {"aaaaaaaaaaaa", "bbbbbbbbbbbb"}) {
        line.run = run;
        line.action = RecordAction::Start;
        text += format_record_line(line) + "\n";
        line.action = RecordAction::Copied;
        for (int i = 0; i < kLinesPerRun; ++i) {
            line.target = std::string(run, 1) + std::to_string(i) + ".mp3";
            text += format_record_line(line) + "\n";
        }
        line.action = RecordAction::End;
        line.target = "complete";
        text += format_record_line(line) + "\n";
    }
    text += "cccccccccccc\t2026-12-08T17:31:32Z\tundo\t1\tbbbbbbbbbbbb\n";
    text += "cccccccccccc\t2026-12-08T17:31:32Z\tend\tcomplete\n";
    fs::create_directories(out);
    write_file(out / kRecordFileName, text);
    const auto before = record_lines();

    const pid_t child = ::fork();
    if (child == 0) {
        compact_record(out_folder());
        ::_exit(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (temporaries().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the compaction ended before it was killed";
    ASSERT_EQ(temporaries().size(), 1u);

    const std::string after = read_file(out / kRecordFileName);
    EXPECT_EQ(after.substr(0, text.size()), text);
    const auto lines = record_lines();
    EXPECT_EQ(lines.size(), before.size() + 2);  // its own begin and end
    EXPECT_EQ(lines.back().action, RecordAction::End);

    const CompactionResult again = compact_record(out_folder());
    EXPECT_TRUE(again.compacted) << again.problem;
    EXPECT_EQ(again.lines_kept, kLinesPerRun + 3u);
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace trackfold::test
