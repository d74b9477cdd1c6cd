#include "util/app_dir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace trackfold {
namespace {

TEST(AppDir, NamesTheFolderOfTheRunningProgram) {
    const std::string dir = AppDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_FALSE(dir.ends_with("//"));
    EXPECT_TRUE(std::filesystem::equivalent(dir, UTIL_TESTS_DIR));
    EXPECT_EQ(executable_base_name(), "util_tests");
}

}  // namespace
}  // namespace trackfold
