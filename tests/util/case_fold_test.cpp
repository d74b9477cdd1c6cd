#include "util/case_fold.h"

#include <gtest/gtest.h>

namespace trackfold {
namespace {

TEST(FoldCase, NamesDifferingOnlyInCaseMeetAcrossScripts) {
    const std::pair<std::string_view, std::string_view> same[] = {
        {"The Beatles", "the beatles"},
        {"BJÖRK", "björk"},
        {"ΣΊΣΥΦΟΣ", "σίσυφος"},
        {"ΣΊΣΥΦΟΣ", "σίσυφοσ"},
        {"ÉDITH PIAF", "édith piaf"},
        {"ЗЕМФИРА", "земфира"},
        {"宇多田ヒカル", "宇多田ヒカル"},
        // NFC and NFD, as macOS writes names; Hangul composes by arithmetic.
        {"Café", "Cafe\xCC\x81"},
        {"CAFÉ", "cafe\xCC\x81"},
        {"한", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB"},
    };
    for (const auto& [a, b] : same) {
        EXPECT_EQ(fold_case(a), fold_case(b)) << a << " / " << b;
    }
}

TEST(FoldCase, KeepsDifferentNamesApart) {
    const std::pair<std::string_view, std::string_view> different[] = {
        {"Straße", "Strasse"},
        {"Bjork", "Björk"},
    };
    for (const auto& [a, b] : different) {
        EXPECT_NE(fold_case(a), fold_case(b)) << a << " / " << b;
    }
}

TEST(FoldCase, KeepsInvalidBytes) {
    EXPECT_EQ(fold_case("AB\xFF"
                        "C\xC0\xAF"
                        "D\xE6\x97"),
              "ab\xFF"
              "c\xC0\xAF"
              "d\xE6\x97");
}

}  // namespace
}  // namespace trackfold
