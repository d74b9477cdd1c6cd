// A run that opened the record just before a compaction replaced it: linked with fcntl
// wrapped, so that the compaction happens between the run's open and its lock.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <functional>
#include <utility>

#include "engine/record/placement_record.h"
#include "engine/record/record_compaction.h"
#include "support/record_text.h"
#include "support/temp_dir.h"

namespace {
std::function<void()> g_before_next_lock;
}  // namespace

extern "C" int __real_fcntl(int fd, int command, ...);

extern "C" int __wrap_fcntl(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (command == F_OFD_SETLK && g_before_next_lock) {
        std::exchange(g_before_next_lock, {})();
    }
    return __real_fcntl(fd, command, argument);
}

namespace trackfold::test {
namespace {

TEST(RecordRelockTest, ARunThatOpenedTheOldRecordAppendsToTheNewOne) {
    TempDir out;
    write_file(out.path() / kRecordFileName, record_of_an_undone_run());
    CompactionResult compaction;
    g_before_next_lock = [&] { compaction = compact_record(out.folder()); };

    PlacementRecord record(out.folder());
    ASSERT_FALSE(record.open(RecordUse::run));
    ASSERT_TRUE(compaction.compacted) << compaction.problem;
    ASSERT_FALSE(record.begin(RecordAction::Start, "/in"));
    ASSERT_FALSE(record.end("complete"));

    std::vector<std::string> runs;
    read_record(record.path(), [&](const RecordLine& line, std::uint64_t) {
        runs.push_back(line.run);
        return true;
    });
    EXPECT_EQ(runs, (std::vector<std::string>{record.run_id(), record.run_id()}));
}

}  // namespace
}  // namespace trackfold::test
