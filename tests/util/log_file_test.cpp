#include "util/log_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

TEST(WriteLogFile, LeavesExactlyTheNewBytes) {
    TempDir dir;
    const fs::path log = dir.path() / "trackfold.txt";
    const std::string text = "Ready...\r\n/music/a.mp3 → アルバム\r\n...Complete";

    EXPECT_FALSE(WriteLogFile(log, text));
    EXPECT_EQ(read_file(log), text);

    write_file(log, std::string(4096, 'x'));
    EXPECT_FALSE(WriteLogFile(log, "short"));
    EXPECT_EQ(read_file(log), "short");
}

TEST(WriteLogFile, ReportsAFailedWrite) {
    TempDir dir;
    write_file(dir.path() / "file", "keep");
    EXPECT_TRUE(WriteLogFile(dir.path() / "file" / "trackfold.txt", "text"));

    write_file(dir.path() / "folder" / "inside", "keep");
    EXPECT_TRUE(WriteLogFile(dir.path() / "folder", "text"));
    EXPECT_EQ(read_file(dir.path() / "folder" / "inside"), "keep");
}

}  // namespace
}  // namespace trackfold
