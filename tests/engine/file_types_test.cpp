#include <gtest/gtest.h>

#include "engine/naming/file_types.h"
#include "engine/run/plan_tree.h"
#include "engine/run/sort_run.h"
#include "sort_test_support.h"
#include "support/audio_fixture.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace trackfold::test {
namespace {

class FileTypesTest : public ::testing::Test, public SortFixture {
  protected:
    FileTypesTest() { use_sub_folders("Albums", "Artists", "Unknown"); }

    // One file of each type beside an MP3 and a file of a type not listed.
    void make_mixed_collection() {
        make_mp3(in / "a.mp3", {TagKind::Id3v24, "MP3 Artist", "MP3 Album"});
        make_audio_file(in / "b.flac", AudioType::Flac, {{"Flac Artist", "Guest"}, "Flac Album"});
        make_audio_file(in / "c.ogg", AudioType::OggVorbis, {{"Vorbis Artist"}, "Vorbis Album"});
        make_audio_file(in / "d.OPUS", AudioType::Opus, {{"Opus Artist"}, ""});
        make_audio_file(in / "e.m4a", AudioType::M4a, {{}, "M4A Album"});
        make_audio_file(in / "f.wma", AudioType::Wma, {{"WMA Artist"}, "WMA Album"});
        make_audio_file(in / "g.wav", AudioType::Wav, {{"WAV Artist"}, "WAV Album"});
        write_file(in / "h.flac", "fLaC but nothing after it");
        make_audio_file(in / "i.aiff.bak", AudioType::Flac, {{"Nobody"}, "Nothing"});
    }
};

TEST_F(FileTypesTest, EachListedTypeLandsByItsOwnTagAndOnlyMp3sWithoutTheKey) {
    make_mixed_collection();
    sort();
    EXPECT_EQ(
        window.log,
        (Lines{copied(1, "AlbumName + ArtistName", "a.mp3", "Albums/MP3 Artist/MP3 Album/a.mp3")}));

    PutIniText(settings, "SYSTEM", "FileTypes", "mp3 FLAC, .ogg,opus m4a wma wav dsf xyz");
    fs::remove_all(out);
    sort();

    EXPECT_EQ(
        window.log,
        (Lines{
            "FileTypes: dsf ...Unknown type, ignored", "FileTypes: xyz ...Unknown type, ignored",
            copied(1, "AlbumName + ArtistName", "a.mp3", "Albums/MP3 Artist/MP3 Album/a.mp3"),
            copied(2, "AlbumName + ArtistName", "b.flac",
                   "Albums/Flac Artist_Guest/Flac Album/b.flac"),
            copied(3, "AlbumName + ArtistName", "c.ogg", "Albums/Vorbis Artist/Vorbis Album/c.ogg"),
            copied(4, "ArtistName", "d.OPUS", "Artists/Opus Artist/d.OPUS"),
            copied(5, "AlbumName", "e.m4a", "Albums/M4A Album/e.m4a"),
            copied(6, "AlbumName + ArtistName", "f.wma", "Albums/WMA Artist/WMA Album/f.wma"),
            copied(7, "AlbumName + ArtistName", "g.wav", "Albums/WAV Artist/WAV Album/g.wav"),
            "File: " + in_folder() + "h.flac ...Error (not a FLAC file)"}));
    EXPECT_EQ(window.count(Counter::ReadFile), 8);
    EXPECT_EQ(window.count(Counter::AlbumArtist), 5);
    EXPECT_EQ(read_file(out / "Albums/M4A Album/e.m4a"), read_file(in / "e.m4a"));
}

// Each folder of a preview's tree counts exactly the lines that place a file below it.
TEST_F(FileTypesTest, APreviewTreeCountsWhatThePreviewLinesPlace) {
    make_mixed_collection();
    make_mp3(in / "sub/a.mp3", {TagKind::Id3v24, "MP3 Artist", "MP3 Album"}, mpeg_audio(6));
    write_file(in / "sub/._a.mp3", std::string(4096, '\0'));
    PutIniText(settings, "SYSTEM", "FileTypes", "mp3 flac ogg opus m4a wma wav");
    struct TreeWindow : FakeWindow {
        explicit TreeWindow(const std::string& out) : tree(out) {}
        void report(const RunEvent& event) override {
            FakeWindow::report(event);
            tree.add(event);
        }
        PlanTree tree;
    } tree_window(out_folder());
    SortRequest request{in_folder(), out_folder(), settings};
    request.mode = DiskMode::preview;
    sort_run(tree_window, request);
    tree_window.tree.finish();

    auto lines_below = [&](const std::string& folder) {
        const std::string below = out_folder() + folder + "/";
        return std::count_if(tree_window.log.begin(), tree_window.log.end(), [&](auto& line) {
            return line.find('\t' + below) != std::string::npos;
        });
    };
    const PlanNode& root = tree_window.tree.root();
    ASSERT_EQ(root.children.size(), 4u);
    const struct {
        const PlanNode& node;
        const char* name;
        std::size_t files;
    } folders[] = {
        {*root.children[0], "Albums", static_cast<std::size_t>(lines_below("Albums"))},
        {*root.children[1], "Artists", static_cast<std::size_t>(lines_below("Artists"))},
        {*root.children[2], PlanTree::kNotPlaced, 1},
        {*root.children[3], PlanTree::kLeftOut, 1},  // and not in the root's count
        {*root.children[0]->children[2], "MP3 Artist", 2},
    };
    for (const auto& folder : folders) {
        EXPECT_EQ(folder.node.name, folder.name);
        EXPECT_EQ(folder.node.files, folder.files) << folder.name;
    }
    EXPECT_EQ(root.files, 9u);
    EXPECT_EQ(folders[0].files + folders[1].files, 8u);
    const PlanNode& failed = *root.children[2]->children[0];
    EXPECT_EQ(failed.source, in_folder() + "h.flac");
    EXPECT_EQ(failed.reason, "not a FLAC file");
    EXPECT_EQ(root.children[0]->children[2]->children[0]->children[0]->mark, PlanMark::Numbered);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(FileTypesTest, WithAlbumArtistsACompilationStaysTogether) {
    PutIniText(settings, "SYSTEM", "FileTypes", "mp3 flac m4a");
    PutIniText(settings, "SYSTEM", "UseAlbumArtist", "1");
    make_audio_file(in / "1.flac", AudioType::Flac, {{"Singer A"}, "Hits", "Various Artists"});
    make_audio_file(in / "2.m4a", AudioType::M4a, {{"Singer B"}, "Hits", "Various Artists"});
    make_mp3_with_tags(in / "3.mp3", {{TagKind::Id3v23, "Singer C", "Hits"}});
    make_mp3(in / "4.mp3", {TagKind::Id3v24, "Solo", "Own Album"});
    const auto text_frame = [](const char* id, const std::string& text) {
        return id3v2_frame(3, id, '\0' + text);
    };
    write_file(in / "5.mp3", id3v2_tag(3, 0,
                                       text_frame("TPE1", "Singer E") + text_frame("TALB", "Hits") +
                                           text_frame("TPE2", "Various Artists")) +
                                 mpeg_audio());
    make_audio_file(in / "x.wav", AudioType::Wav, {{"Singer D"}, "Hits", "Various Artists"});
    PutIniText(settings, "SYSTEM", "FileTypes", "mp3 flac m4a wav");

    sort();

    EXPECT_EQ(files_below(out / "Albums"),
              (Lines{"Singer C/Hits/3.mp3", "Solo/Own Album/4.mp3", "Various Artists/Hits/1.flac",
                     "Various Artists/Hits/2.m4a", "Various Artists/Hits/5.mp3",
                     "Various Artists/Hits/x.wav"}));
    EXPECT_EQ(window.log[0],
              copied(1, "AlbumName + ArtistName", "1.flac", "Albums/Various Artists/Hits/1.flac"));
}

TEST(ParseFileTypes, ListsInAnyCaseAndSeparationAndMp3WithoutAList) {
    EXPECT_EQ(parse_file_types("").accepted, Lines{"mp3"});
    EXPECT_EQ(parse_file_types(" , ").accepted, Lines{"mp3"});
    const FileTypes types = parse_file_types("FLAC,mp3  .Opus flac DSF");
    EXPECT_EQ(types.accepted, (Lines{"flac", "mp3", "opus"}));
    EXPECT_EQ(types.unknown, Lines{"DSF"});
    EXPECT_TRUE(parse_file_types("dsf").accepted.empty());
}

}  // namespace
}  // namespace trackfold::test
