#include "engine/run/start_run.h"

#include <gtest/gtest.h>

#include "sort_test_support.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class StartRunTest : public ::testing::Test, public SortFixture {
  public:
    RunFiles files{settings, tmp.path() / "trackfold.txt"};

    void start(const std::string& input, const std::string& output) {
        start_run(window, input, output, files);
    }
};

TEST_F(StartRunTest, AnEmptyFolderTextDoesNothingAtAll) {
    for (const auto& [input, output] : {std::pair{"", "/out"}, {"   ", "/out"}, {"/in", "  "}}) {
        start(input, output);
    }
    EXPECT_FALSE(fs::exists(settings));
    EXPECT_FALSE(fs::exists(files.log_file));
    EXPECT_EQ(window.progress_shown, 0);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(StartRunTest, FolderTextsAreTrimmedUsedWithASeparatorAndStoredWithout) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});

    start("  " + in.string() + " ", " " + out.string() + "/  ");

    EXPECT_EQ(GetIniText(settings, "SYSTEM", "InputFolder", ""), in.string());
    EXPECT_EQ(GetIniText(settings, "SYSTEM", "OutputFolder", ""), out.string());
    EXPECT_EQ(window.log[1], copied(1, "AlbumName + ArtistName", "a.mp3", "/Artist/Album/a.mp3"));
    EXPECT_EQ(folder_with_separator("  /music "), "/music/");
    EXPECT_EQ(folder_with_separator("/"), "/");
    EXPECT_EQ(stored_folder("/music/"), "/music");
    EXPECT_EQ(stored_folder("/"), "/");
}

TEST_F(StartRunTest, ARunWritesTheWholeLogWithCrLfAndHandsItToTheShell) {
    use_sub_folders("Albums", "", "Misc");
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Some Artist", "Some Album"});
    make_mp3(in / "b.mp3", {TagKind::None});
    make_broken_mp3(in / "c.mp3", BrokenMp3::Text);
    write_file(files.log_file, std::string(10000, 'x'));
    bool disabled_inside = false;
    window.on_pump = [&] { disabled_inside = !window.buttons_enabled; };

    start(in.string(), out.string());

    EXPECT_EQ(
        read_file(files.log_file),
        "Ready...\r\n" +
            copied(1, "AlbumName + ArtistName", "a.mp3", "Albums/Some Artist/Some Album/a.mp3") +
            "\r\n" + copied(2, "Unknown", "b.mp3", "Misc/b.mp3") + "\r\n" + "File: " + in_folder() +
            "c.mp3 ...Error (no MPEG audio found)\r\nSummary: 2 copied, 0 already there, 0 "
            "replaced, 0 numbered, 1 failed\r\n...Complete\r\n");
    EXPECT_TRUE(disabled_inside);
    EXPECT_TRUE(window.buttons_enabled);
    EXPECT_EQ(window.opened, (Lines{files.log_file.string()}));
    EXPECT_EQ(window.progress_shown, 1);
    EXPECT_EQ(window.progress_unloaded, 1);
    EXPECT_EQ(window.selected, 5);
    EXPECT_EQ(window.status,
              "Summary: 2 copied, 0 already there, 0 replaced, 0 numbered, 1 failed | Log: " +
                  files.log_file.string());
    EXPECT_EQ(window.count(Counter::ReadFile), 3);
    EXPECT_EQ(window.told, Lines{});
}

// A window may show fewer lines than the run had, or show them otherwise: the file still
// holds every event's line.
TEST_F(StartRunTest, TheLogFileHoldsTheEventsLinesWhateverTheListKeeps) {
    struct NewestLineOnly : FakeWindow {
        void append_log(const std::string& line) override { log = {"shown: " + line}; }
    } list;
    make_mp3(in / "a.mp3", {TagKind::None});
    make_broken_mp3(in / "b.mp3", BrokenMp3::Text);

    start_run(list, in.string(), out.string(), files);

    EXPECT_EQ(read_file(files.log_file),
              "Ready...\r\n" + copied(1, "Unknown", "a.mp3", "/a.mp3") +
                  "\r\nFile: " + in_folder() +
                  "b.mp3 ...Error (no MPEG audio found)\r\nSummary: 1 copied, 0 already there, "
                  "0 replaced, 0 numbered, 1 failed\r\n...Complete\r\n");
    EXPECT_EQ(list.log, Lines{"shown: ...Complete"});
}

// The end of a run always says where its log is, also when nothing can show it.
TEST_F(StartRunTest, TheEndSaysWhereTheLogIsOrWhyItIsNot) {
    make_mp3(in / "a.mp3", {TagKind::None});
    const std::string log = files.log_file.string();
    window.shell_opens = false;
    start(in.string(), out.string());
    EXPECT_EQ(window.told,
              Lines{"The log is saved in " + log +
                    ". No program here opens text files: open it with a text editor."});

    fs::remove(files.log_file);
    fs::create_directory(files.log_file);
    window.told.clear();
    start(in.string(), out.string());
    EXPECT_EQ(window.told, Lines{"The log could not be saved in " + log + ": Is a directory"});
    EXPECT_TRUE(window.status.ends_with(" | Log not saved: Is a directory")) << window.status;
}

TEST_F(StartRunTest, AFolderWithoutMp3GivesJustTheSummaryAndCountersStartAtZero) {
    write_file(in / "readme.txt", "x");
    window.counters[Counter::ReadFile] = 17;
    window.counters[Counter::Unknown] = 5;
    window.log = {"old line"};

    start(in.string(), out.string());

    EXPECT_EQ(read_file(files.log_file),
              "Ready...\r\nSummary: 0 copied, 0 already there, 0 "
              "replaced, 0 numbered, 0 failed\r\n...Complete\r\n");
    EXPECT_EQ(window.count(Counter::ReadFile), 0);
    EXPECT_EQ(window.count(Counter::Unknown), 0);
}

TEST_F(StartRunTest, ACancelledRunEndsWithUserCancel) {
    make_mp3(in / "a.mp3", {TagKind::None});
    make_mp3(in / "b.mp3", {TagKind::None});
    window.on_pump = [&] { CancelState = CancelRequested; };
    window.answer = [] { return true; };

    start(in.string(), out.string());

    EXPECT_EQ(read_file(files.log_file),
              "Ready...\r\n" + copied(1, "Unknown", "a.mp3", "/a.mp3") +
                  "\r\nSummary: 1 copied, 0 already there, 0 replaced, 0 numbered, 0 "
                  "failed\r\n...User Cancel\r\n");
}

TEST_F(StartRunTest, FoldersARunCannotStartWithAreToldAndNotRemembered) {
    write_file(tmp.path() / "a file", "");
    const struct {
        std::string input;
        std::string output;
        std::string why;
    } cases[] = {
        {(tmp.path() / "gone").string(), out.string(),
         "cannot read the input folder " + (tmp.path() / "gone/").string() +
             ": No such file or directory"},
        {in.string(), (tmp.path() / "a file").string(),
         "cannot make the output folder " + (tmp.path() / "a file/").string() + ": File exists"},
    };
    for (const auto& c : cases) {
        start(c.input, c.output);

        EXPECT_EQ(window.log, (Lines{"Ready...", "...Not started (" + c.why + ")"}));
        EXPECT_EQ(window.told.back(), c.why);
        EXPECT_FALSE(fs::exists(settings));
        EXPECT_FALSE(fs::exists(files.log_file));
        EXPECT_TRUE(window.buttons_enabled);
    }
}

}  // namespace
}  // namespace trackfold::test
