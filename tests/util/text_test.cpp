#include "util/text.h"

#include <gtest/gtest.h>

namespace trackfold {
namespace {

TEST(TrimSpaces, RemovesOnlyOuterSpaces) {
    EXPECT_EQ(trim_spaces("  Abbey Road  "), "Abbey Road");
    EXPECT_EQ(trim_spaces("\tTab\t"), "\tTab\t");
    EXPECT_EQ(trim_spaces("    "), "");
    EXPECT_EQ(trim_spaces(""), "");
}

TEST(Utf8Prefix, NeverEndsInsideACharacter) {
    struct Case {
        std::string_view text;
        std::size_t max_bytes;
        std::string_view expected;
    };
    const Case cases[] = {
        {"abc", 5, "abc"},
        {"abc", 2, "ab"},
        {"a\xC3\xA9", 2, "a"},                            // a + é
        {"\xE6\x97\xA5\xE6\x9C\xAC", 5, "\xE6\x97\xA5"},  // 日本
        {"\xE6\x97\xA5\xE6\x9C\xAC", 2, ""},
        {"\xF0\x9F\x8E\xB5!", 4, "\xF0\x9F\x8E\xB5"},  // musical note, outside the BMP
        {"a\xFF\x80\x80", 3, "a\xFF\x80"},             // stray bytes count one each
        {"a\xE6\x97", 3, "a\xE6\x97"},                 // truncated character at the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8_prefix(c.text, c.max_bytes), c.expected)
            << "text " << testing::PrintToString(std::string(c.text)) << ", " << c.max_bytes;
    }
}

}  // namespace
}  // namespace trackfold
