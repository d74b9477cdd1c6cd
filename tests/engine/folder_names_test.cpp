#include "engine/naming/folder_names.h"

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
        {"../../x", "_._.._x"},
        {".38 Special", "_38 Special"},
        {"Who?", "Who_"},
        {"Foo.", "Foo_"},
        {"Foo. .", "Foo___"},
        {"a\\b:c*d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
        {"tab\there\x01", "tab_here_"},
        {"Mr. Children", "Mr. Children"},
        {"...And You Will Know Us", "_..And You Will Know Us"},
        {"宇多田ヒカル", "宇多田ヒカル"},
        {"Sigur Rós", "Sigur Rós"},
        {"del\x7F c1\xC2\x80\xC2\x9F end\xC2\xA0", "del_ c1__ end\xC2\xA0"},
        // Look-alikes: NFD, a right-to-left override, zero-width space, byte-order mark.
        {"Cafe\xCC\x81", "Café"},
        {"\xE2\x80\xAEgnoS\xE2\x80\xAC", "gnoS"},
        {"Be\xE2\x80\x8Byonc\xC3\xA9\xEF\xBB\xBF", "Beyoncé"},
        {"\xE2\x80\x8B", "_"},
        // Names Windows keeps for devices, on every disk as the reserved characters.
        {"CON", "CON_"},
        {"nul.txt", "nul_.txt"},
        {"Com1 .x", "Com1_ .x"},
        {"LPT\xC2\xB9", "LPT\xC2\xB9_"},
        {"CONCERT", "CONCERT"},
        {"COM10", "COM10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(safe_folder_name(c.tag), c.folder) << c.tag;
    }
}

TEST(SafeFolderName, LongTagsAreCutToTheDiskLimitAtACharacterBoundary) {
    const std::string e_acute = "\xC3\xA9";
    std::string long_album;
    for (int i = 0; i < 150; ++i) {
        long_album += e_acute;  // 300 bytes
    }
    EXPECT_EQ(safe_folder_name(long_album), long_album.substr(0, 254));
    EXPECT_EQ(safe_folder_name(std::string(300, 'a')), std::string(255, 'a'));
    EXPECT_EQ(safe_folder_name(std::string(254, 'a') + " b", 255), std::string(254, 'a') + "_");
    EXPECT_EQ(safe_folder_name("abc", 2), "ab");
}

TEST(TargetFileName, OnlyWhatTheDiskRefusesIsChanged) {
    const NameRules ext4{};
    const NameRules exfat{.refuses_reserved_names = true, .refuses_invalid_utf8 = true};
    const struct {
        const char* name;
        NameRules disk;
        const char* target;
    } cases[] = {
        {"What?.mp3", ext4, "What?.mp3"},     {"con.mp3", ext4, "con.mp3"},
        {"Caf\xE9.mp3", ext4, "Caf\xE9.mp3"}, {"What?.mp3", exfat, "What_.mp3"},
        {"con.mp3", exfat, "con_.mp3"},       {"Caf\xE9.mp3", exfat, "Café.mp3"},
        {".x?.mp3", exfat, ".x_.mp3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(target_file_name(c.name, c.disk), c.target) << c.name;
    }
}

TEST(NumberedFileName, NumberGoesBeforeTheExtensionAndTheWholeFitsTheDisk) {
    EXPECT_EQ(numbered_file_name("01 Intro.mp3", 1), "01 Intro.mp3");
    EXPECT_EQ(numbered_file_name("01 Intro.mp3", 2), "01 Intro (2).mp3");
    EXPECT_EQ(numbered_file_name("a.b.MP3", 3), "a.b (3).MP3");
    EXPECT_EQ(numbered_file_name(".mp3", 2), ".mp3 (2)");

    const std::string longest = std::string(250, 'x') + "\xC3\xA9.mp3";  // 256 bytes
    EXPECT_EQ(numbered_file_name(longest, 1), std::string(250, 'x') + ".mp3");
    EXPECT_EQ(numbered_file_name(longest, 2), std::string(247, 'x') + " (2).mp3");
    EXPECT_EQ(numbered_file_name(longest, 12, 143), std::string(134, 'x') + " (12).mp3");
}

}  // namespace
}  // namespace trackfold
