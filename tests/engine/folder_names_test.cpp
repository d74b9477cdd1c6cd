#include "engine/folder_names.h"

#include <gtest/gtest.h>

namespace trackfold {
namespace {

TEST(SafeFolderName, EveryTagTextBecomesOneHarmlessName) {
    const struct {
        const char* tag;
        const char* folder;
    } cases[] = {
        {"AC/DC", "AC_DC"},
        {"..", "__"},
        {".", "_"},
        {"../../x", ".._.._x"},
        {"Who?", "Who_"},
        {"Foo.", "Foo_"},
        {"Foo. .", "Foo___"},
        {"a\\b:c*d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
        {"tab\there\x01", "tab_here_"},
        {"Mr. Children", "Mr. Children"},
        {"...And You Will Know Us", "...And You Will Know Us"},
        {"宇多田ヒカル", "宇多田ヒカル"},
        {"Sigur Rós", "Sigur Rós"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(safe_folder_name(c.tag), c.folder) << c.tag;
    }
}

TEST(NumberedFileName, NumberGoesBeforeTheExtension) {
    EXPECT_EQ(numbered_file_name("01 Intro.mp3", 2), "01 Intro (2).mp3");
    EXPECT_EQ(numbered_file_name("a.b.MP3", 3), "a.b (3).MP3");
    EXPECT_EQ(numbered_file_name(".mp3", 2), ".mp3 (2)");
}

TEST(IncrementedCount, CountsThroughTheText) {
    EXPECT_EQ(incremented_count("0"), "1");
    EXPECT_EQ(incremented_count("41"), "42");
    EXPECT_EQ(incremented_count("999999"), "1000000");
    EXPECT_EQ(incremented_count("1234567"), "1234568");
}

}  // namespace
}  // namespace trackfold
