// Which files are an album's companions, and where a folder's companions go.
#include <gtest/gtest.h>

#include "engine/walk/companion_rules.h"

namespace trackfold::test {
namespace {

TEST(CompanionRules, WhichFilesAndFoldersTravelAndWhere) {
    for (const char* name : {"cover.jpg", "Folder.JPEG", "b.PNG", "d.cue", "rip.log", "b.pdf",
                             "i.txt", "r.nfo", "l.m3u", "l.M3U8", "a.webp"}) {
        EXPECT_TRUE(is_companion_file(name)) << name;
    }
    for (const char* name : {"._cover.jpg", "01.mp3", "notes.doc", "jpg", "Scans"}) {
        EXPECT_FALSE(is_companion_file(name)) << name;
    }
    for (const char* name : {"Scans", "ARTWORK", "covers"}) {
        EXPECT_TRUE(is_companion_folder(name, FolderAudio::none)) << name;
        EXPECT_FALSE(is_companion_folder(name, FolderAudio::some)) << name << ": an album";
    }
    EXPECT_FALSE(is_companion_folder("Disc 1", FolderAudio::none));

    using V = CompanionPlan::Verdict;
    const struct {
        std::vector<std::string> targets;
        V verdict;
        std::string folder;
    } rows[] = {
        {{}, V::none, ""},
        {{"/o/A/B/", "/o/A/B/"}, V::travel, "/o/A/B/"},
        {{"/o/A/B/", "/o/a/b/"}, V::travel, "/o/A/B/"},
        {{"/o//A/B/", "/o/A/B/"}, V::travel, "/o//A/B/"},
        {{"/o/A/B/", "/o/A/C/"}, V::stay, ""},
        {{"/o/A/B/", "/o/A/B/", "/o/X/"}, V::stay, ""},
    };
    for (const auto& row : rows) {
        const CompanionPlan plan = plan_companions(row.targets);
        EXPECT_EQ(plan.verdict, row.verdict) << row.targets.size();
        EXPECT_EQ(plan.folder, row.folder);
    }
}

}  // namespace
}  // namespace trackfold::test
