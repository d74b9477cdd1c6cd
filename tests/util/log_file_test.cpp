#include "util/log_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

bool write_lines(const fs::path& path, const std::vector<std::string>& lines) {
    return !WriteLogFile(path, lines.size(), [&](std::size_t i) { return lines[i]; }).empty();
}

TEST(WriteLogFile, LeavesExactlyTheNewBytes) {
    TempDir dir;
    const fs::path log = dir.path() / "trackfold.txt";
    EXPECT_FALSE(write_lines(log, {"Ready...", "/music/a.mp3 → アルバム", "...Complete"}));
    EXPECT_EQ(read_file(log), "Ready...\r\n/music/a.mp3 → アルバム\r\n...Complete\r\n");

    write_file(log, std::string(4096, 'x'));
    EXPECT_FALSE(write_lines(log, {"short"}));
    EXPECT_EQ(read_file(log), "short\r\n");
}

TEST(WriteLogFile, ReportsAFailedWrite) {
    TempDir dir;
    write_file(dir.path() / "file", "keep");
    EXPECT_TRUE(write_lines(dir.path() / "file" / "trackfold.txt", {"text"}));

    write_file(dir.path() / "folder" / "inside", "keep");
    EXPECT_TRUE(write_lines(dir.path() / "folder", {"text"}));
    EXPECT_EQ(read_file(dir.path() / "folder" / "inside"), "keep");
}

TEST(WriteLogFile, AFullDiskLeavesThePreviousLogWhole) {
    TempDir dir;
    const fs::path log = dir.path() / "trackfold.txt";
    write_file(log, "Ready...\r\n...Complete\r\n");
    // A file-size limit fails the write halfway, as a full disk would.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(write_lines(log, std::vector<std::string>(100, std::string(100, 'x'))) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(read_file(log), "Ready...\r\n...Complete\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(LogFileWriter, AKilledRunLeavesThePreviousLogWholeAndNothingElse) {
    TempDir dir;
    const fs::path log = dir.path() / "trackfold.txt";
    write_file(log, "Ready...\r\n...Complete\r\n");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        LogFileWriter writer(log);
        for (int i = 0; i < 10000; ++i) {
            writer.add(std::string(100, 'x'));
        }
        ::write(ready[1], "w", 1);
        ::pause();
        ::_exit(0);
    }
    char written = 0;
    ASSERT_EQ(::read(ready[0], &written, 1), 1);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(read_file(log), "Ready...\r\n...Complete\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace trackfold
