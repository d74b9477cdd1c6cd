#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "cli/cli_texts.h"
#include "engine/record/record_line.h"
#include "engine/run/sort_run.h"
#include "sort_test_support.h"
#include "support/mounted_image.h"
#include "support/record_text.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

struct CliRun {
    int status = -1;  // exit status; 128 + signal number when killed
    Lines out;        // standard output, a line each
    std::string err;
};

// Runs the command line with `arguments`; `on_first_line` is called with its pid once the
// first line is out.
// `in_child` runs in the child just before the command line starts.
CliRun run_cli(const std::vector<std::string>& arguments,
               const std::function<void(pid_t)>& on_first_line = {},
               const std::function<void()>& in_child = {}) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        throw std::runtime_error("no pipe");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(err[0]);
        std::vector<char*> argv{const_cast<char*>(TRACKFOLD_CLI)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        if (in_child) {
            in_child();
        }
        ::execv(TRACKFOLD_CLI, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    CliRun run;
    std::string text;
    char buffer[4096];
    bool told = false;
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
        if (!told && on_first_line && text.find('\n') != std::string::npos) {
            on_first_line(pid);
            told = true;
        }
    }
    for (ssize_t got; (got = ::read(err[0], buffer, sizeof buffer)) > 0;) {
        run.err.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        run.out.push_back(line);
    }
    return run;
}

class CliTest : public ::testing::Test, public SortFixture {
  protected:
    std::vector<std::string> folders() const { return {in_folder(), out_folder()}; }
};

// A Japanese desktop's environment, whatever the machine's own, for the child.
void speak_japanese() {
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANGUAGE");
}

void speak_english() {
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
}

TEST_F(CliTest, ItsMessagesAreJapaneseOnAJapaneseDesktopButItsLinesAndJsonAreNot) {
    make_mp3(in / "a.mp3", {TagKind::Id3v23, "Artist", "Album"});
    const std::vector<std::string> preview{"--settings", settings.string(), "--preview",
                                           in_folder(), out_folder()};
    std::vector<std::string> json = preview;
    json.insert(json.begin(), "--json");
    const struct {
        std::vector<std::string> arguments;
        bool same_output;  // standard output as under English
        const char* japanese_error;
    } cases[] = {
        {{"--help"}, false, ""},
        {{"--bogus"}, true, "trackfold-cli: 不明なオプションです: --bogus\n"},
        {{"--album-artist", "2", "a", "b"},
         true,
         "trackfold-cli: --album-artist には 0 か 1 を指定します (\"2\" は使えません)\n"},
        {preview, true, ""},
        {json, true, ""},
    };
    for (const auto& c : cases) {
        const CliRun english = run_cli(c.arguments, {}, speak_english);
        const CliRun japanese = run_cli(c.arguments, {}, speak_japanese);
        EXPECT_EQ(japanese.status, english.status) << c.arguments[0];
        EXPECT_EQ(japanese.out == english.out, c.same_output) << c.arguments[0];
        EXPECT_EQ(japanese.err, c.japanese_error) << c.arguments[0];
    }
}

TEST(CliTexts, EveryMessageHasItsJapaneseWithTheSameArguments) {
    const auto arguments = [](std::string_view text) {
        std::string found;
        for (std::size_t at = text.find('%'); at != std::string_view::npos;
             at = text.find('%', at + 1)) {
            found += text.substr(at, 2);
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    for (int id = 0; id < static_cast<int>(CliText::Count); ++id) {
        const std::string_view english = cli_template(CliLanguage::English, CliText(id));
        const std::string_view japanese = cli_template(CliLanguage::Japanese, CliText(id));
        EXPECT_FALSE(japanese.empty()) << english;
        EXPECT_NE(japanese, english);
        EXPECT_EQ(arguments(japanese), arguments(english)) << english;
    }
}

TEST(CliTexts, TheLanguageIsChosenAsGettextChoosesIt) {
    const struct {
        const char *language, *lc_all, *lc_messages, *lang;
        CliLanguage expected;
    } cases[] = {
        {"", "", "", "ja_JP.UTF-8", CliLanguage::Japanese},
        {"", "C", "", "ja_JP.UTF-8", CliLanguage::English},
        {"", "", "en_GB.UTF-8", "ja_JP.UTF-8", CliLanguage::English},
        {"ja", "", "", "en_US.UTF-8", CliLanguage::Japanese},
        {"ja", "", "", "C.UTF-8", CliLanguage::English},
        {nullptr, nullptr, nullptr, nullptr, CliLanguage::English},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(language_from(c.language, c.lc_all, c.lc_messages, c.lang), c.expected)
            << (c.lang ? c.lang : "");
    }
}

TEST_F(CliTest, SortsAsTheWindowsEngineDoesWithoutWritingTheSettings) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v23, "Artist", "Album"});
    make_mp3(in / "b.mp3", {TagKind::Ape, "Artist", ""});
    make_mp3(in / "sub/c.mp3", {TagKind::None});
    make_mp3(in / "sub/C.mp3", {TagKind::Id3v24, "", "Album"});
    sort_run(window, SortRequest{in_folder(), out_folder(), settings});
    const Lines engine_lines = window.log;
    const Lines engine_tree = files_below(out);
    fs::remove_all(out);
    const std::string settings_before = read_file(settings);

    const CliRun run = run_cli({"--settings", settings.string(), in_folder(), out_folder()});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, engine_lines);
    EXPECT_EQ(files_below(out), engine_tree);
    EXPECT_EQ(read_file(settings), settings_before);
    EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, OverridesTheSettingsForOneRunAndWritesTheLogWhenAsked) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v23, "Artist", "Album"});
    const std::string settings_before = read_file(settings);
    const fs::path log = tmp.path() / "log.txt";

    const CliRun run = run_cli({"--settings", settings.string(), "--album-folder=Sorted", "--log",
                                log.string(), in_folder(), out_folder()});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(files_below(out), Lines{"Sorted/Artist/Album/a.mp3"});
    EXPECT_EQ(read_file(log),
              "Ready...\r\n" + run.out[0] + "\r\n" + run.out[1] + "\r\n...Complete\r\n");
    EXPECT_EQ(read_file(settings), settings_before);
}

// Every path below the folder, folders too, with size and modification time.
Lines snapshot(const fs::path& folder) {
    Lines entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto time = fs::last_write_time(entry.path()).time_since_epoch().count();
        entries.push_back(fs::relative(entry.path(), folder).string() + " " +
                          (entry.is_directory() ? "dir" : std::to_string(entry.file_size())) + " " +
                          std::to_string(time));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

TEST_F(CliTest, PreviewWritesNothingAndPrintsTheLinesOfTheRunThatFollows) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v23, "Artist", "Album"});
    make_mp3(in / "b.mp3", {TagKind::Id3v24, "ARTIST", "album"});
    make_mp3(in / "sub/b.mp3", {TagKind::Ape, "Artist", "Album"});
    make_mp3(in / "c.mp3", {TagKind::Id3v24, "New Artist", ""});
    make_broken_mp3(in / "d.mp3", BrokenMp3::Text);
    // The output already holds a's bytes, another recording where b goes, and the artist
    // folder under another case; sub/b.mp3 then meets b's new copy.
    fs::create_directories(out / "Albums/artist/ALBUM");
    fs::copy_file(in / "a.mp3", out / "Albums/artist/ALBUM/a.mp3");
    fs::last_write_time(out / "Albums/artist/ALBUM/a.mp3", fs::last_write_time(in / "a.mp3"));
    write_file(out / "Albums/artist/ALBUM/b.mp3", "someone else's recording");
    const Lines before = snapshot(tmp.path());

    const CliRun preview =
        run_cli({"--preview", "--settings", settings.string(), in_folder(), out_folder()});

    EXPECT_EQ(preview.status, 1) << preview.err;
    EXPECT_EQ(snapshot(tmp.path()), before);
    const CliRun real = run_cli({"--settings", settings.string(), in_folder(), out_folder()});
    EXPECT_EQ(preview.out, real.out);
    ASSERT_EQ(real.out.size(), 7u);
    EXPECT_EQ(real.out[4], copied(5, "AlbumName + ArtistName", "sub/b.mp3",
                                  "Albums/artist/ALBUM/b (3).mp3", "numbered"));
}

// Paths below the folder, with each file's size and time; the record left out.
Lines tree(const fs::path& folder) {
    Lines entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename() != kRecordFileName) {
            const auto time = fs::last_write_time(entry.path()).time_since_epoch().count();
            entries.push_back(fs::relative(entry.path(), folder).string() +
                              (entry.is_directory() ? "/"
                                                    : " " + std::to_string(entry.file_size()) +
                                                          " " + std::to_string(time)));
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

TEST_F(CliTest, UndoGivesBackTheTreeAsItWasButKeepsWhatChangedSince) {
    use_sub_folders("Albums", "Artists", "Unknown");
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(4));
    make_mp3(in / "b.mp3", {TagKind::Id3v24, "Other", "Record"}, mpeg_audio(6));
    make_mp3(in / "c.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(8));
    // Already there before the run: another recording where c goes, and d's very bytes.
    write_file(out / "Albums/Artist/Album/c.mp3", "someone else's recording");
    make_mp3(in / "d.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(10));
    fs::copy_file(in / "d.mp3", out / "Albums/Artist/Album/d.mp3");
    const Lines before = tree(out);
    const std::vector<std::string> sort_args{"--settings", settings.string(), in_folder(),
                                             out_folder()};
    ASSERT_EQ(run_cli(sort_args).status, 0);

    const CliRun preview = run_cli({"--undo", "--preview", out_folder()});
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_NE(tree(out), before);
    CliRun undo = run_cli({"--undo", out_folder()});
    EXPECT_EQ(undo.status, 0) << undo.err;
    // The run's lines and the undo's were all the record held but its first line.
    ASSERT_TRUE(undo.out.back().starts_with("Record compacted: 1 line kept, 14 dropped ("));
    undo.out.pop_back();
    EXPECT_EQ(undo.out, preview.out);
    EXPECT_EQ(tree(out), before);
    const std::string album = out_folder() + "Albums/Artist/Album/";
    // Last made, first removed.
    EXPECT_EQ(undo.out,
              (Lines{"Removed: " + album + "c (2).mp3",
                     "Removed: " + out_folder() + "Albums/Other/Record/b.mp3",
                     "Removed: " + album + "a.mp3",
                     "Removed folder: " + out_folder() + "Albums/Other/Record/",
                     "Removed folder: " + out_folder() + "Albums/Other/", "...Complete"}));
    EXPECT_EQ(run_cli({"--undo", out_folder()}).err, "trackfold-cli: no run left to undo\n");

    // A copy edited after the run is kept; a copy whose source is gone is the only one left.
    ASSERT_EQ(run_cli(sort_args).status, 0);
    write_file(out / "Albums/Artist/Album/a.mp3", "edited since");
    fs::remove(in / "b.mp3");
    const CliRun keeps = run_cli({"--undo", out_folder()});
    EXPECT_EQ(keeps.status, 1);
    EXPECT_EQ(keeps.out, (Lines{"Removed: " + album + "c (2).mp3",
                                "Kept: " + out_folder() +
                                    "Albums/Other/Record/b.mp3 ...Its source is gone: this is "
                                    "the only copy",
                                "Kept: " + album + "a.mp3 ...This file changed since the run",
                                "...Complete"}));
    EXPECT_EQ(read_file(out / "Albums/Artist/Album/a.mp3"), "edited since");
}

TEST_F(CliTest, ExitStatusSaysHowTheRunWent) {
    make_mp3(in / "a.mp3", {TagKind::Id3v23, "Artist", "Album"});
    EXPECT_EQ(run_cli(folders()).status, 0);

    make_broken_mp3(in / "b.mp3", BrokenMp3::Text);
    const CliRun with_error = run_cli(folders());
    EXPECT_EQ(with_error.status, 1);
    EXPECT_EQ(with_error.out.at(1),
              "File: " + in_folder() + "b.mp3 ...Error (no MPEG audio found)");

    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } bad[] = {
        {{"--no-such-option", "x", "y"}, "trackfold-cli: unknown option --no-such-option\n"},
        {{in_folder()}, "trackfold-cli: needs an input and an output folder (see --help)\n"},
        {{"--album-artist", "yes", "x", "y"},
         "trackfold-cli: --album-artist takes 0 or 1, not \"yes\"\n"},
        {{"--log"}, "trackfold-cli: --log needs a value\n"},
        {{"--preview", "--log", "x", "y", "z"},
         "trackfold-cli: --preview writes nothing, so it takes no --log\n"},
        {{"--album-folder", "A\nB", "x", "y"},
         "trackfold-cli: --album-folder cannot take a value with a line break\n"},
    };
    for (const auto& c : bad) {
        const CliRun run = run_cli(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, c.error);
        EXPECT_TRUE(run.out.empty());
    }
}

// A copy from a Mac leaves an AppleDouble "._" file beside each song, with no audio in it: a
// nightly run once failed on it every night, and its input was never cleared.
TEST_F(CliTest, SystemFilesAndIgnoredNamesAreLeftOutQuietlyCountedAndShownInThePreview) {
    make_mp3(in / "Help 0.mp3", {TagKind::Id3v23, "Artist", "Album"});
    write_file(in / "._Help 0.mp3", std::string("\0\x05\x16\x07", 4) + std::string(4092, '\0'));
    write_file(in / ".DS_Store", "Bud1");
    write_file(in / "sub/Thumbs.db", "");
    make_mp3(in / "Incomplete/x.mp3", {TagKind::Id3v23, "Other", "Album"});
    PutIniText(settings, "SYSTEM", "Ignore", "incomplete*;[");
    const std::vector<std::string> arguments = {"--settings", settings.string(), in_folder(),
                                                out_folder()};
    std::vector<std::string> preview_arguments = arguments;
    preview_arguments.insert(preview_arguments.begin(), "--preview");

    const CliRun preview = run_cli(preview_arguments);
    const CliRun real = run_cli(arguments);

    const std::string summary =
        "Summary: 1 copied, 0 already there, 0 replaced, 0 numbered, "
        "0 failed; 3 system files left out; 1 left out by Ignore";
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(preview.out,
              (Lines{"File: " + in_folder() + ".DS_Store ...Left out (a system file)",
                     "File: " + in_folder() + "._Help 0.mp3 ...Left out (a system file)",
                     "Folder: " + in_folder() + "Incomplete ...Left out (Ignore incomplete*)",
                     copied(1, "AlbumName + ArtistName", "Help 0.mp3", "/Artist/Album/Help 0.mp3"),
                     "File: " + in_folder() + "sub/Thumbs.db ...Left out (a system file)", summary,
                     "...Complete"}));
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(real.out, (Lines{preview.out[3], summary, "...Complete"}));
}

TEST_F(CliTest, AFullDiskStopsTheRunInOneLineAndBothRunAndPreviewWarnOfIt) {
    const MountedImage disk(DiskKind::Ext4, tmp.path() / "image", 16);
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.why_not();
    }
    out = disk.path() / "out";
    use_sub_folders("Albums", "Artists", "Unknown");
    // 30 recordings of about 1 MB, for a disk that holds about 14.
    for (int i = 0; i < 30; ++i) {
        make_mp3(in / ("d" + std::to_string(i / 10)) / (std::to_string(i) + ".mp3"),
                 {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(2400 + i));
    }
    const struct {
        std::vector<std::string> options;
        int status;
        std::string end;
    } cases[] = {{{"--preview"}, 0, "...Complete"}, {{}, 1, "...Disk full ("}};
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.end(),
                         {"--settings", settings.string(), in_folder(), out_folder()});
        const CliRun run = run_cli(arguments);
        SCOPED_TRACE(c.end);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(std::count_if(run.out.begin(), run.out.end(),
                                [&](const std::string& line) {
                                    return line.starts_with("Disk: " + out_folder() +
                                                            " ...Not enough space (");
                                }),
                  1);
        EXPECT_TRUE(run.out.back().starts_with(c.end)) << run.out.back();
        EXPECT_TRUE(run.out.end()[-2].starts_with("Summary: ")) << run.out.end()[-2];
        EXPECT_FALSE(std::any_of(run.out.begin(), run.out.end(), [](const std::string& line) {
            return line.starts_with("File: ");
        }));
    }
    // Only whole copies are left, and the disk-full line counts what they did not take.
    std::set<std::string> recordings;
    for (const std::string& file : files_below(in)) {
        recordings.insert(read_file(in / file));
    }
    const Lines placed = files_below(out);
    EXPECT_FALSE(placed.empty());
    for (const std::string& file : placed) {
        EXPECT_TRUE(recordings.contains(read_file(out / file))) << file;
    }
}

TEST_F(CliTest, ARunThatCannotStartSaysWhyWalksNothingAndExitsTwo) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
    write_file(tmp.path() / "a file", "");
    fs::create_directory(tmp.path() / "a folder");
    ASSERT_EQ(::mkfifo((tmp.path() / "a fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", tmp.path() / "zeros");
    write_file(tmp.path() / "huge.ini", "[SYSTEM]\n" + std::string(2 << 20, ';'));
    const std::string missing = (tmp.path() / "missing").string();
    const struct {
        std::vector<std::string> arguments;
        std::string why;
    } cases[] = {
        {{missing, out_folder()},
         "cannot read the input folder " + missing + "/: No such file or directory"},
        {{in_folder(), (tmp.path() / "a file/out").string()},
         "cannot make the output folder " + tmp.path().string() + "/a file/out/: Not a directory"},
        {{"--settings", missing, in_folder(), out_folder()},
         "cannot read the settings file " + missing + ": No such file or directory"},
        {{"--layout", "{artist}/[{year}/{album}]", in_folder(), out_folder()},
         "Layout={artist}/[{year}/{album}] cannot be used: a [ ] holds a /: brackets stay within "
         "one part"},
    };
    for (const auto& c : cases) {
        const CliRun run = run_cli(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, Lines{"...Not started (" + c.why + ")"});
        EXPECT_FALSE(fs::exists(out));
    }
    // Each would have aborted, blocked or read until memory ran out.
    for (const char* settings_file : {"a folder", "a fifo", "zeros", "huge.ini"}) {
        const std::string path = (tmp.path() / settings_file).string();
        const CliRun run = run_cli({"--settings", path, in_folder(), out_folder()});
        EXPECT_EQ(run.status, 2) << settings_file;
        const std::string why =
            settings_file == std::string("huge.ini") ? "larger than 1 MB" : "not a regular file";
        EXPECT_EQ(run.out,
                  Lines{"...Not started (cannot use the settings file " + path + ": " + why + ")"});
    }
}

TEST_F(CliTest, ARecordOrSubFolderThatCouldHangOrLeadOutStopsTheRunBeforeTheWalk) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
    const std::string record = out_folder() + std::string(kRecordFileName);
    for (const char* escape : {"../escaped", "/abs", "a/../.."}) {
        const CliRun run = run_cli({"--album-folder", escape, in_folder(), out_folder()});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, Lines{"...Not started (AlbumFolder=" + std::string(escape) +
                                 " does not name a folder inside the output folder (no absolute "
                                 "path, no . or .. part))"});
        EXPECT_FALSE(fs::exists(tmp.path() / "escaped"));
    }
    const struct {
        const char* record;
        std::function<void()> make;
        std::string why;
    } cases[] = {
        {"a FIFO", [&] { ::mkfifo(record.c_str(), 0600); }, "it is not a regular file"},
        {"a folder", [&] { fs::create_directories(record); }, "it is not a regular file"},
        {"a link", [&] { fs::create_symlink("/dev/zero", record); }, "it is a link"},
        {"hard-linked into another output",
         [&] {
             write_file(tmp.path() / "other", "trackfold placement record 1\n");
             fs::create_hard_link(tmp.path() / "other", record);
         },
         "it has more than one name, so it may belong to another output too"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        fs::remove_all(out);
        fs::create_directories(out);
        c.make();
        for (const auto& arguments : {folders(), Lines{"--preview", in_folder(), out_folder()},
                                      Lines{"--undo", out_folder()}}) {
            const CliRun run = run_cli(arguments);
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.out, Lines{"...Not started (cannot use the record " + record + ": " +
                                     c.why + ")"});
        }
        EXPECT_FALSE(fs::exists(out / "Artist"));
    }
}

TEST_F(CliTest, EveryEndingHasItsLine) {
    make_mp3(in / "small.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    make_mp3(in / "large.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(400));
    use_sub_folders("Albums", "Artists", "Unknown");
    const Lines arguments{"--settings", settings.string(), in_folder(), out_folder()};
    // A stop that came before the program could take it.
    const CliRun stopped = run_cli(arguments, {}, [] {
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        sigprocmask(SIG_BLOCK, &term, nullptr);
        ::raise(SIGTERM);
    });
    EXPECT_EQ(stopped.status, 130);
    EXPECT_EQ(stopped.out.back(), "...User Cancel");
    fs::remove_all(out);

    // A file-size limit: the large file fails with its reason, the run goes on.
    const CliRun limited = run_cli(arguments, {}, [] {
        const rlimit limit{120000, 120000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(limited.status, 1) << limited.err;
    EXPECT_EQ(limited.out.at(0), "File: " + in_folder() + "large.mp3 ...Error (File too large)");
    EXPECT_EQ(files_below(out), Lines{"Albums/Artist/Album/small.mp3"});
    EXPECT_EQ(limited.out.back(), "...Complete");
}

TEST_F(CliTest, APathIsUsedExactlyAsGiven) {
    make_mp3(tmp.path() / " in/b.mp3", {TagKind::Id3v24, "Spaced", "Album"});
    make_mp3(tmp.path() / "in/b.mp3", {TagKind::Id3v24, "Plain", "Album"});
    const std::string where = tmp.path().string();
    use_sub_folders("", "", "");
    const CliRun run = run_cli({"--settings", settings.string(), " in", "out"}, {},
                               [&] { (void)::chdir(where.c_str()); });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(files_below(out), Lines{"Spaced/Album/b.mp3"});
}

TEST_F(CliTest, JsonCarriesEveryEventAndEveryFileGetsALine) {
    make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
    make_mp3(in / "new\nline.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(6));
    ASSERT_EQ(::mkfifo((in / "x.mp3").c_str(), 0600), 0);
    write_file(in / "b.flac", "fLaC");
    write_file(in / "c.FLAC", "fLaC");
    write_file(in / "d.m4a", "");
    write_file(settings, "[SYSTEM]\n");
    const std::vector<std::string> arguments{"--settings", settings.string(), in_folder(),
                                             out_folder()};
    const std::string album = out_folder() + "/Artist/Album/";

    const CliRun lines = run_cli(arguments);
    std::vector<std::string> with_json = arguments;
    with_json.insert(with_json.begin(), "--json");
    fs::remove_all(out);
    const CliRun json = run_cli(with_json);

    EXPECT_EQ(lines.status, 1);
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(lines.out,
              (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "/Artist/Album/a.mp3"),
                     copied(2, "AlbumName + ArtistName", "new\\x0aline.mp3",
                            "/Artist/Album/new\\x0aline.mp3"),
                     "File: " + in_folder() + "x.mp3 ...Error (not a regular file)",
                     "Summary: 2 copied, 0 already there, 0 replaced, 0 numbered, 1 failed; left "
                     "out: flac 2, m4a 1; add them with FileTypes",
                     "...Complete"}));
    EXPECT_EQ(
        json.out,
        (Lines{R"({"event":"placed","read":1,"category":"album+artist","source":")" + in_folder() +
                   R"(a.mp3","target":")" + album + R"(a.mp3","action":"copied"})",
               R"({"event":"placed","read":2,"category":"album+artist","source":")" + in_folder() +
                   R"(new\u000aline.mp3","target":")" + album +
                   R"(new\u000aline.mp3","action":"copied"})",
               R"({"event":"file-error","read":3,"source":")" + in_folder() +
                   R"(x.mp3","stage":"reading","reason":"not a regular file"})",
               R"({"event":"summary","mode":"copy","copied":2,"already_there":0,"replaced":0,)"
               R"("numbered":0,"failed":1,"folders_failed":0,"files_in_failed_folders":0,)"
               R"("sources_removed":0,"sources_kept":0,"bytes_freed":0,)"
               R"("links_kept":0,"folders_left_out":0,"system_files_left_out":0,)"
               R"("ignored_left_out":0,"companions":0,"other_code_page":0,)"
               R"("left_out":{"flac":2,"m4a":1}})",
               R"({"event":"end","outcome":"complete"})"}));
}

// Three runs over one input: what each placed line says was done, after the four fields it
// always had, and a folder that cannot be read counted in every summary.
TEST_F(CliTest, EveryPlacedLineSaysWhatWasDoneAndTheSummaryCountsAFolderThatFailed) {
    use_sub_folders("Albums", "", "");
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "locked/d.mp3"}) {
        make_mp3(in / name, {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(4 + name[0] - 'a'));
    }
    const fs::path album = out / "Albums/Artist/Album";
    fs::create_directories(album);
    fs::copy_file(in / "b.mp3", album / "b.mp3");
    write_file(album / "c.mp3", "someone else's recording");
    fs::permissions(in / "locked", fs::perms::none);
    const std::string removed = "already there\t...Already there, source removed";
    const struct {
        const char* run;
        std::function<void()> before;
        Lines options;
        Lines actions;  // of a, b, c and then e
        std::string summary;
    } runs[] = {
        {"first",
         [] {},
         {},
         {"copied", "already there", "numbered"},
         "Summary: 1 copied, 1 already there, 0 replaced, 1 numbered, 0 failed; 1 folder failed"},
        {"a re-tagged",
         [&] {
             make_mp3(in / "a.mp3", {TagKind::Id3v24, "Artist", "Album"});
         },
         {},
         {"replaced", "already there", "already there"},
         "Summary: 0 copied, 2 already there, 1 replaced, 0 numbered, 0 failed; 1 folder failed"},
        {"a move with e new",
         [&] {
             make_mp3(in / "e.mp3", {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(9));
         },
         {"--move"},
         {removed, removed, removed, "moved"},
         "Summary: 1 moved, 3 already there, 0 replaced, 0 numbered, 0 failed; 1 folder failed; "
         "4 sources removed, 0 kept; "},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.run);
        r.before();
        Lines arguments = r.options;
        arguments.insert(arguments.end(),
                         {"--settings", settings.string(), in_folder(), out_folder()});
        CliRun run;
        {
            AsUnprivileged nobody(tmp.path());
            run = run_cli(arguments);
        }

        EXPECT_EQ(run.status, 1) << run.err;
        Lines expected;
        const char* targets[] = {"a.mp3", "b.mp3", "c (2).mp3", "e.mp3"};
        for (std::size_t i = 0; i < r.actions.size(); ++i) {
            const std::string source = std::string(1, static_cast<char>('a' + (i < 3 ? i : 4)));
            expected.push_back(
                copied(static_cast<int>(i) + 1, "AlbumName + ArtistName", source + ".mp3",
                       std::string("Albums/Artist/Album/") + targets[i], r.actions[i]));
        }
        expected.push_back("Folder: " + in_folder() + "locked/ ...Error (Permission denied)");
        ASSERT_EQ(run.out.size(), expected.size() + 2) << ::testing::PrintToString(run.out);
        EXPECT_EQ(Lines(run.out.begin(), run.out.end() - 2), expected);
        EXPECT_TRUE(run.out[expected.size()].starts_with(r.summary)) << run.out[expected.size()];
    }
}

TEST_F(CliTest, SigintStopsAfterTheFileInHandWithOnlyWholeCopies) {
    for (int i = 0; i < 400; ++i) {
        make_mp3(in / ("song " + std::to_string(1000 + i) + ".mp3"),
                 {TagKind::Id3v24, "Artist", "Album"}, mpeg_audio(200));
    }

    const CliRun run = run_cli(folders(), [](pid_t pid) { ::kill(pid, SIGINT); });

    EXPECT_EQ(run.status, 130) << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), "...User Cancel");
    const Lines copies = files_below(out);
    EXPECT_LT(copies.size(), 400u);
    EXPECT_EQ(copies.size(), run.out.size() - 2) << "a line for each copy, the summary, the end";
    for (const std::string& copy : copies) {
        EXPECT_EQ(read_file(out / copy), read_file(in / fs::path(copy).filename())) << copy;
    }
}

}  // namespace
}  // namespace trackfold::test

namespace trackfold::test {
namespace {

TEST_F(CliTest, CompactRecordSaysWhatItDroppedOrWhyItDidNothing) {
    fs::create_directories(out);
    // A run wholly undone, and a line this version cannot read, which stays.
    std::string record = record_of_an_undone_run();
    record.insert(kRecordVersionLine.size() + 1, "torn line\n");
    write_file(out / kRecordFileName, record);
    const CliRun compacted = run_cli({"--compact-record", out_folder()});
    EXPECT_EQ(compacted.status, 0);
    ASSERT_EQ(compacted.out.size(), 1u);
    EXPECT_TRUE(compacted.out[0].starts_with("Record compacted: 2 lines kept, 4 dropped ("))
        << compacted.out[0];
    EXPECT_EQ(read_file(out / kRecordFileName), std::string(kRecordVersionLine) + "\ntorn line\n");
    EXPECT_EQ(run_cli({"--compact-record", out_folder()}).out,
              Lines{"...Not compacted (no line in it can go)"});

    fs::remove(out / kRecordFileName);
    const CliRun missing = run_cli({"--compact-record", out_folder()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.out.at(0).starts_with("...Not compacted (cannot use the record"));
}

}  // namespace
}  // namespace trackfold::test
