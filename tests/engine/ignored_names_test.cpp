#include "engine/walk/ignored_names.h"

#include <gtest/gtest.h>

#include <string>

namespace trackfold {
namespace {

TEST(IgnoredNames, SystemFilesAndIgnorePatternsAreLeftOutByNameAlone) {
    const std::string many = [] {
        std::string setting;
        for (int i = 0; i < 64; ++i) {
            setting += "x" + std::to_string(i) + ";";
        }
        return setting + "late*";
    }();
    constexpr auto kFile = NameKind::file;
    constexpr auto kFolder = NameKind::folder;
    const struct {
        std::string setting, name;
        NameKind kind;
        std::optional<std::string> pattern;  // "" a system file; nullopt: taken
    } cases[] = {
        {"", "._Help 0.mp3", kFile, ""},
        {"", "._", kFile, std::nullopt},
        {"", "._Scans", kFolder, std::nullopt},
        {"", ".ds_store", kFile, ""},
        {"", "THUMBS.DB", kFile, ""},
        {"", "Desktop.ini", kFile, ""},
        {"", "Thumbs.db.mp3", kFile, std::nullopt},
        {"", "Help.mp3", kFile, std::nullopt},
        {" *.BAK ;; Incomplete* ", "song.bak", kFile, "*.bak"},
        {"*.bak;Incomplete*", "incomplete downloads", kFolder, "incomplete*"},
        {"*.bak", "song.bak.mp3", kFile, std::nullopt},
        {"björk*", "BJÖRK – Live.mp3", kFile, "björk*"},
        {"?.mp3", "é.mp3", kFile, "?.mp3"},
        {"?.mp3", "ab.mp3", kFile, std::nullopt},
        {"[!a-c]*", "b.mp3", kFile, std::nullopt},
        {"[!a-c]*", "d.mp3", kFile, "[!a-c]*"},
        {"[]x]", "]", kFile, "[]x]"},
        {"[ab", "[ab", kFile, "[ab"},
        {"Live/*", "Live", kFolder, std::nullopt},
        {"*", "anything", kFolder, "*"},
        {"*a*a*a*a*a*a*a*a*b", std::string(255, 'a'), kFile, std::nullopt},
        {std::string(256, '*'), "x", kFile, std::nullopt},
        {many, "x63", kFile, "x63"},
        {many, "late.mp3", kFile, std::nullopt},
        {"\xFF*", "\xFF.mp3", kFile, "\xFF*"},
        {"\xFF*", "\xC3\xBF.mp3", kFile, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting.substr(0, 40) + " | " + c.name.substr(0, 40));
        const std::optional<LeftOutName> got =
            left_out_name(c.name, c.kind, parse_ignore_patterns(c.setting));
        ASSERT_EQ(got.has_value(), c.pattern.has_value());
        if (got) {
            EXPECT_EQ(got->by,
                      c.pattern->empty() ? LeftOutBy::system_file : LeftOutBy::ignore_setting);
            EXPECT_EQ(got->pattern, *c.pattern);
        }
    }
}

}  // namespace
}  // namespace trackfold
