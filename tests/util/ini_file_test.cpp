#include "util/ini_file.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;
using namespace std::string_literals;

std::string repeat(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

class IniFile : public testing::Test {
  protected:
    std::string get(const std::string& section, const std::string& key) {
        return GetIniText(ini_, section, key, "default");
    }

    TempDir dir_;
    fs::path ini_ = dir_.path() / "trackfold.ini";
};

TEST_F(IniFile, ReadsValuesAsThePrivateProfileReaderDoes) {
    struct Case {
        std::string content;
        std::string expected;
    };
    const Case cases[] = {
        {"[SYSTEM]\nInputFolder=/music\n", "/music"},
        {"[system]\ninputFOLDER=/music", "/music"},
        {"[SYSTEM]\r\nInputFolder=/music\r\n", "/music"},
        {"\xEF\xBB\xBF[SYSTEM]\nInputFolder=/music\n", "/music"},
        {"  [ SYSTEM ]  \n\t InputFolder \t=  /my music \t\n", "/my music"},
        {"[SYSTEM]\nInputFolder=\"  /quoted \"\n", "/quoted"},
        {"[SYSTEM]\nInputFolder='/single'\n", "/single"},
        {"[SYSTEM]\nInputFolder=\"/half'\n", "\"/half'"},
        {"[SYSTEM]\nInputFolder=/a", "/a"},
        {"[SYSTEM]\nInputFolder=/a\0b\n"s, "/ab"},
        {"[SYSTEM]\n;InputFolder=/semicolon\n#InputFolder=/hash\nInputFolder=/real\n", "/real"},
        {"[SYSTEM]\nInputFolder=/first\nInputFolder=/second\n", "/first"},
        {"[SYSTEM]\nInputFolder=/first\n[SYSTEM]\nInputFolder=/second\n", "/first"},
        {"[SYSTEM]\nInputFolder=" + repeat("a", 120) + "\n", repeat("a", 99)},
        {"[SYSTEM]\nInputFolder=" + repeat("\xE3\x81\x82", 120) + "\n",  // あ
         repeat("\xE3\x81\x82", 99)},
        {"[SYSTEM]\nInputFolder=\"" + repeat(" ", 98) + "/far\"\n", "/"},
        {"[SYSTEM]\nInputFolder=     \n", "default"},
        {"[SYSTEM]\nInputFolder=\"   \"\n", "default"},
        {"[SYSTEM]\nInputFolder=\n", "default"},
        {"[OTHER]\nInputFolder=/other\n[SYSTEM]\nOutputFolder=/out\n", "default"},
        {"InputFolder=/outside\n[SYSTEMS]\nInputFolder=/systems\n", "default"},
        {"", "default"},
    };
    for (const Case& c : cases) {
        write_file(ini_, c.content);
        EXPECT_EQ(get("SYSTEM", "InputFolder"), c.expected)
            << "file " << testing::PrintToString(c.content);
    }
}

TEST_F(IniFile, MissingFileReadsAsDefault) {
    EXPECT_EQ(get("SYSTEM", "InputFolder"), "default");
    EXPECT_EQ(GetIniText(dir_.path() / "missing" / "x.ini", "SYSTEM", "InputFolder", ""), "");
}

TEST_F(IniFile, WritesOneValueAndKeepsEverythingElse) {
    struct Case {
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"; hand-edited\r\n[OTHER]\r\nInputFolder=/other\r\n\r\n[system]\r\n"
         "AlbumFolder=Albums\r\n  inputfolder = /old \r\nArtistFolder=Artists\r\n",
         "; hand-edited\r\n[OTHER]\r\nInputFolder=/other\r\n\r\n[system]\r\n"
         "AlbumFolder=Albums\r\nInputFolder=\"/new  path \"\r\nArtistFolder=Artists\r\n"},
        {"[SYSTEM]\nAlbumFolder=Albums\n; note\n\n[OTHER]\nKey=1\n",
         "[SYSTEM]\nAlbumFolder=Albums\nInputFolder=\"/new  path \"\n; note\n\n[OTHER]\nKey=1\n"},
        {"[SYSTEM]\r\n\r\n[OTHER]\r\n",
         "[SYSTEM]\r\nInputFolder=\"/new  path \"\r\n\r\n[OTHER]\r\n"},
        {"[SYSTEM]\nAlbumFolder=Albums",
         "[SYSTEM]\nAlbumFolder=Albums\nInputFolder=\"/new  path \"\n"},
        {"[OTHER]\nKey=1", "[OTHER]\nKey=1\n[SYSTEM]\nInputFolder=\"/new  path \"\n"},
        {"", "[SYSTEM]\nInputFolder=\"/new  path \"\n"},
    };
    for (const Case& c : cases) {
        write_file(ini_, c.before);
        PutIniText(ini_, "SYSTEM", "InputFolder", "/new  path ");
        EXPECT_EQ(read_file(ini_), c.after) << "file " << testing::PrintToString(c.before);
        EXPECT_EQ(get("SYSTEM", "InputFolder"), "/new  path");
        EXPECT_EQ(whole_ini_text(ini_, "SYSTEM", "InputFolder"), "/new  path ");
    }
}

TEST_F(IniFile, RemembersFoldersWholeAndNeverWritesALineBreak) {
    const std::string long_path = "/home/someone/Music/" + repeat("Sorted_collection/", 20);
    for (const std::string& folder : {long_path, "'/quoted'"s, "/trailing "s, "\"/half"s}) {
        PutIniText(ini_, "SYSTEM", "InputFolder", folder);
        EXPECT_EQ(whole_ini_text(ini_, "SYSTEM", "InputFolder"), folder);
    }
    EXPECT_EQ(GetIniText(ini_, "SYSTEM", "InputFolder", ""), "\"/half");
    PutIniText(ini_, "SYSTEM", "InputFolder", long_path);
    EXPECT_EQ(GetIniText(ini_, "SYSTEM", "InputFolder", ""), long_path.substr(0, 99));

    const std::string before = read_file(ini_);
    for (const std::string& folder : {"/a\nAlbumFolder=/etc"s, "/a\rb"s, "/a\0b"s}) {
        PutIniText(ini_, "SYSTEM", "OutputFolder", folder);
        EXPECT_EQ(read_file(ini_), before) << testing::PrintToString(folder);
    }
}

TEST_F(IniFile, CreatesTheFileThenRewritesItKeepingItsMode) {
    PutIniText(ini_, "SYSTEM", "InputFolder", "/in");
    EXPECT_EQ(read_file(ini_), "[SYSTEM]\nInputFolder=/in\n");

    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(ini_, mode);
    PutIniText(ini_, "SYSTEM", "OutputFolder", "/out");
    EXPECT_EQ(read_file(ini_), "[SYSTEM]\nInputFolder=/in\nOutputFolder=/out\n");
    EXPECT_EQ(fs::status(ini_).permissions(), mode);
}

TEST_F(IniFile, FailedWriteIsSilent) {
    write_file(dir_.path() / "file.txt", "not a folder");
    EXPECT_NO_THROW(PutIniText(dir_.path() / "file.txt" / "x.ini", "SYSTEM", "InputFolder", "/in"));
    EXPECT_EQ(read_file(dir_.path() / "file.txt"), "not a folder");
}

TEST_F(IniFile, FailedWriteKeepsTheOldSettings) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "folder permissions do not stop root";
    }
    write_file(ini_, "[SYSTEM]\nInputFolder=/old\n");
    fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    PutIniText(ini_, "SYSTEM", "InputFolder", "/new");
    EXPECT_EQ(read_file(ini_), "[SYSTEM]\nInputFolder=/old\n");
}

}  // namespace
}  // namespace trackfold
