// Which files are an album's companions, and where a folder's companions go.
#include <gtest/gtest.h>

#include "engine/walk/companion_rules.h"

namespace trackfold::test {
namespace {

using Verdict = CompanionPlan::Verdict;

TEST(CompanionRules, WhichFilesAndFoldersTravelWithTheirAlbum) {
    const struct {
        const char* name;
        bool file;
        bool folder;
    } rows[] = {
        {"cover.jpg", true, false},
        {"Folder.JPEG", true, false},
        {"back.PNG", true, false},
        {"disc.cue", true, false},
        {"rip.log", true, false},
        {"booklet.pdf", true, false},
        {"info.txt", true, false},
        {"release.nfo", true, false},
        {"list.m3u", true, false},
        {"list.M3U8", true, false},
        {"art.webp", true, false},
        {"._cover.jpg", false, false},
        {"01.mp3", false, false},
        {"notes.doc", false, false},
        {"jpg", false, false},
        {"Scans", false, true},
        {"ARTWORK", false, true},
        {"covers", false, true},
        {"Covers of songs", false, false},
        {"Disc 1", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(is_companion_file(row.name), row.file);
        EXPECT_EQ(is_companion_folder(row.name, FolderAudio::none), row.folder);
        EXPECT_FALSE(is_companion_folder(row.name, FolderAudio::some)) << "audio: an album";
    }
}

TEST(CompanionRules, WhereAFoldersCompanionsGo) {
    const struct {
        const char* row;
        std::vector<std::string> targets;
        Verdict verdict;
        std::string folder;
        std::size_t albums;
    } rows[] = {
        {"no audio placed", {}, Verdict::none, "", 0},
        {"one album", {"/o/A/B/", "/o/A/B/"}, Verdict::travel, "/o/A/B/", 1},
        {"letter case", {"/o/A/B/", "/o/a/b/"}, Verdict::travel, "/o/A/B/", 1},
        {"a doubled separator", {"/o//A/B/", "/o/A/B/"}, Verdict::travel, "/o//A/B/", 1},
        {"two albums", {"/o/A/B/", "/o/A/C/"}, Verdict::stay, "", 2},
        {"one file elsewhere", {"/o/A/B/", "/o/A/B/", "/o/X/"}, Verdict::stay, "", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        const CompanionPlan plan = plan_companions(row.targets);
        EXPECT_EQ(plan.verdict, row.verdict);
        EXPECT_EQ(plan.folder, row.folder);
        EXPECT_EQ(plan.albums, row.albums);
    }
}

}  // namespace
}  // namespace trackfold::test
