// The rules that keep files safe, each a pure decision, each row a way to break it.
#include <gtest/gtest.h>

#include <cerrno>

#include "engine/fsio/disk_space.h"
#include "engine/fsio/path_inside.h"
#include "engine/naming/temp_names.h"
#include "engine/place/place_decision.h"
#include "engine/record/undo_decision.h"
#include "engine/settings/folder_settings.h"
#include "engine/walk/skip_decision.h"
#include "engine/walk/walk_rules.h"

namespace trackfold::test {
namespace {

using Entry = TargetFacts::Entry;
using V = TargetVerdict;

TEST(Decisions, WhatIsDoneAtATargetName) {
    auto file = [](auto set) {
        TargetFacts f;
        f.entry = Entry::file;
        f.same_size = true;
        set(f);
        return f;
    };
    auto at = [](Entry entry, bool same_size) {
        TargetFacts f;
        f.entry = entry;
        f.same_size = same_size;
        return f;
    };
    auto own_copy = [](TargetFacts& f) {
        f.record_names_sole_source = true;
        f.may_replace_here = true;
    };
    const struct {
        const char* row;
        TargetFacts facts;
        V verdict;
    } rows[] = {
        {"a free name", {}, V::write_new},
        {"this run's file, same size", at(Entry::placed_by_run, true), V::compare_bytes},
        {"this run's file, other size", at(Entry::placed_by_run, false), V::next_name},
        {"this run's file, the record's twin of it",
         [&] {
             TargetFacts f = at(Entry::placed_by_run, true);
             f.record_says_unchanged = f.record_line_already_there = true;
             return f;
         }(),
         V::skip},
        {"the source itself", at(Entry::source_itself, true), V::in_place},
        {"a folder or a link", at(Entry::other, true), V::next_name},
        {"someone's file, other size", file([](auto& f) { f.same_size = false; }), V::next_name},
        {"someone's file, same size", file([](auto&) {}), V::compare_bytes},
        {"someone's file, same bytes", file([](auto& f) { f.same_bytes = true; }),
         V::already_there},
        {"someone's file, other bytes", file([](auto& f) { f.same_bytes = false; }), V::next_name},
        {"own copy, unchanged, same time",
         file([](auto& f) { f.record_says_unchanged = f.same_time = true; }), V::skip},
        {"bytes found there before, unchanged, another time",
         file([](auto& f) { f.record_says_unchanged = f.record_line_already_there = true; }),
         V::skip},
        {"own copy made without its time", file([](auto& f) { f.record_says_unchanged = true; }),
         V::compare_bytes},
        {"own copy, source changed: read the line", file(own_copy), V::confirm_record},
        {"own copy confirmed", file([&](auto& f) { own_copy(f), f.record_line_confirms = true; }),
         V::replace},
        {"the line does not confirm it",
         file([&](auto& f) { own_copy(f), f.record_line_confirms = false; }), V::compare_bytes},
        {"own copy, but here nothing may be replaced",
         file([](auto& f) { f.record_names_sole_source = true, f.same_bytes = false; }),
         V::next_name},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(decide_target(r.facts), r.verdict) << r.row;
    }
}

TEST(Decisions, WhichFailureIsAFullDiskThatEndsTheRun) {
    const struct {
        std::error_code error;
        bool full;
    } rows[] = {
        {{ENOSPC, std::generic_category()}, true},
        {{EDQUOT, std::generic_category()}, true},
        {{ENOSPC, std::system_category()}, true},
        {{EFBIG, std::generic_category()}, false},  // one file too big for FAT: the next fits
        {{EACCES, std::generic_category()}, false},
        {{EIO, std::generic_category()}, false},
        {{}, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(is_disk_full(row.error), row.full) << row.error.message();
    }
}

TEST(Decisions, WhenAMovedSourceMayGo) {
    RemovalFacts good;
    good.copy_on_disk = good.line_on_disk = good.stamps_unchanged = good.times_show_changes = true;
    auto with = [&](auto set) {
        RemovalFacts f = good;
        set(f);
        return f;
    };
    const struct {
        const char* row;
        RemovalFacts facts;
        bool removed;
    } rows[] = {
        {"all on the disk, untouched", good, true},
        {"copy not flushed", with([](auto& f) { f.copy_on_disk = false; }), false},
        {"line not flushed", with([](auto& f) { f.line_on_disk = false; }), false},
        {"written to since", with([](auto& f) { f.stamps_unchanged = false; }), false},
        {"times cannot tell, bytes not read", with([](auto& f) { f.times_show_changes = false; }),
         false},
        {"times cannot tell, bytes the same",
         with([](auto& f) { f.times_show_changes = false, f.bytes_still_same = true; }), true},
        {"times cannot tell, bytes edited",
         with([](auto& f) { f.times_show_changes = false, f.bytes_still_same = false; }), false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(may_remove_source(r.facts), r.removed) << r.row;
    }
}

TEST(Decisions, WhenARerunLeavesAFilesTagsUnread) {
    SkipFacts source;
    source.copy = source.record_sound = source.line_names_source = source.place_fits = true;
    source.source_same_object = source.source_untouched = true;
    source.run_settings = source.folder_settings = kSettingsMixed + 5;
    TargetLook there{true, false, true, true, false, true};
    auto with = [&](auto set) {
        SkipFacts f = source;
        f.target = there;
        set(f, *f.target);
        return f;
    };
    const struct {
        const char* row;
        SkipFacts facts;
        SkipVerdict verdict;
    } rows[] = {
        {"all as the record says", with([](auto&, auto&) {}), SkipVerdict::already_there},
        {"source as the line says: look at the target", source, SkipVerdict::look_at_target},
        {"a move", with([](auto& f, auto&) { f.copy = false; }), SkipVerdict::read_tags},
        {"the line's run had other tag settings", with([](auto& f, auto&) { ++f.run_settings; }),
         SkipVerdict::read_tags},
        {"... or several",
         with([](auto& f, auto&) { f.run_settings = f.folder_settings = kSettingsMixed; }),
         SkipVerdict::read_tags},
        {"a record read in part or by others", with([](auto& f, auto&) { f.record_sound = false; }),
         SkipVerdict::read_tags},
        {"another source's line", with([](auto& f, auto&) { f.line_names_source = false; }),
         SkipVerdict::read_tags},
        {"a folder the names do not give", with([](auto& f, auto&) { f.place_fits = false; }),
         SkipVerdict::read_tags},
        {"another file at the source's name",
         with([](auto& f, auto&) { f.source_same_object = false; }), SkipVerdict::read_tags},
        {"the source edited", with([](auto& f, auto&) { f.source_untouched = false; }),
         SkipVerdict::read_tags},
        {"not there as recorded", with([](auto&, auto& t) { t.as_recorded = false; }),
         SkipVerdict::read_tags},
        {"this run placed a file there", with([](auto&, auto& t) { t.placed_by_run = true; }),
         SkipVerdict::read_tags},
        {"... and the line found the source's bytes in it",
         with([](auto&, auto& t) { t.placed_by_run = t.line_already_there = true; }),
         SkipVerdict::already_there},
        {"found there, with another time",
         with([](auto&, auto& t) { t.line_already_there = true, t.same_time = false; }),
         SkipVerdict::already_there},
        {"the source itself, or no file", with([](auto&, auto& t) { t.other_file = false; }),
         SkipVerdict::read_tags},
        {"the copy edited", with([](auto&, auto& t) { t.untouched = false; }),
         SkipVerdict::read_tags},
        {"a copy without the source's time", with([](auto&, auto& t) { t.same_time = false; }),
         SkipVerdict::read_tags},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(decide_skip(r.facts), r.verdict) << r.row;
    }
}

TEST(Decisions, WhereTheCurrentNamesPutARecordedTarget) {
    const SubFolderNames sorted{"Albums", "Artists", "Unknown"};
    const SubFolderNames flat{"", "", "Unknown"};
    const struct {
        const char* target;
        SubFolderNames names;
        std::optional<Counter> category;
    } rows[] = {
        {"Albums/A/B/f.mp3", sorted, Counter::AlbumArtist},
        {"Albums/B/f.mp3", sorted, Counter::AlbumOnly},
        {"Artists/A/f.mp3", sorted, Counter::ArtistOnly},
        {"Unknown/f.mp3", sorted, Counter::Unknown},
        {"Music/Albums/B/f.mp3", {"Music/Albums/", "Artists", "Unknown"}, Counter::AlbumOnly},
        {"A/B/f.mp3", flat, Counter::AlbumArtist},
        {"f.mp3", {"", "", ""}, Counter::Unknown},
        {"Albums/A/B/C/f.mp3", sorted, std::nullopt},
        {"Other/A/B/f.mp3", sorted, std::nullopt},
        {"albums/A/B/f.mp3", sorted, std::nullopt},
        {"B/f.mp3", flat, std::nullopt},        // album only, or artist only
        {"Unknown/f.mp3", flat, std::nullopt},  // the unknown folder, or an album of that name
        {"Albums/../../f.mp3", sorted, std::nullopt},
        {"/Albums/B/f.mp3", sorted, std::nullopt},
    };
    for (const auto& r : rows) {
        const std::optional<RecordedPlace> place = recorded_place(r.target, r.names);
        EXPECT_EQ(place ? std::optional(place->category) : std::nullopt, r.category) << r.target;
    }
    const RecordedPlace place = *recorded_place("Albums/A/B/f.mp3", sorted);
    EXPECT_EQ(place.folders, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(place.name, "f.mp3");
}

TEST(Decisions, WhatUndoMayDoWithAFile) {
    using T = UndoFacts::Target;
    using S = UndoFacts::Source;
    using U = UndoVerdict;
    auto copy = [](auto set) {
        UndoFacts f;
        f.target = T::file;
        f.target_as_recorded = true;
        f.source = S::file;
        f.source_as_recorded = true;
        set(f);
        return f;
    };
    auto moved = [&](auto set) {
        return copy([&](UndoFacts& f) {
            f.moved = true;
            f.source = S::missing;
            f.source_as_recorded = false;
            set(f);
        });
    };
    const struct {
        const char* row;
        UndoFacts facts;
        U verdict;
    } rows[] = {
        {"a path outside", copy([](auto& f) { f.refused = true; }), U::refused},
        {"bytes there before", copy([](auto& f) { f.action = RecordAction::AlreadyThere; }),
         U::nothing},
        {"a replacement", copy([](auto& f) { f.action = RecordAction::Replaced; }), U::cannot_undo},
        {"copy gone", copy([](auto& f) { f.target = T::missing; }), U::gone},
        {"copy changed", copy([](auto& f) { f.target_as_recorded = false; }),
         U::kept_target_changed},
        {"copy now a link", copy([](auto& f) { f.target = T::other; }), U::kept_target_changed},
        {"copy and source changed",
         copy([](auto& f) { f.target_as_recorded = false, f.source_as_recorded = false; }),
         U::kept_both_changed},
        {"source gone", copy([](auto& f) { f.source = S::missing; }), U::kept_only_copy},
        {"source now a link", copy([](auto& f) { f.source = S::link; }), U::kept_source_link},
        {"source hard-linked to it, which changed its time",
         copy([](auto& f) { f.source_is_target = true, f.target_as_recorded = false; }),
         U::kept_same_file},
        {"source not read yet", copy([](auto&) {}), U::compare_bytes},
        {"source the same", copy([](auto& f) { f.same_bytes = true; }), U::remove},
        {"source re-tagged", copy([](auto& f) { f.same_bytes = false; }), U::kept_source_changed},
        {"moved back into a free place", moved([](auto&) {}), U::move_back},
        {"bytes found there, source removed",
         moved([](auto& f) { f.action = RecordAction::AlreadyThere; }), U::restore},
        {"moved file gone", moved([](auto& f) { f.target = T::missing; }), U::gone},
        {"moved file replaced", moved([](auto& f) { f.target_as_recorded = false; }),
         U::kept_target_changed},
        {"another file in the source's place",
         moved([](auto& f) { f.source = S::file, f.same_bytes = false; }), U::kept_place_taken},
        {"a link in the source's place", moved([](auto& f) { f.source = S::link; }),
         U::kept_place_taken},
        {"the source's bytes back already",
         moved([](auto& f) { f.source = S::file, f.same_bytes = true; }), U::remove},
        {"never moved: its rename failed", moved([](auto& f) {
             f.source = S::file, f.source_as_recorded = true, f.target = T::missing;
         }),
         U::not_moved},
        {"never moved: its removal failed", moved([](auto& f) {
             f.source = S::file, f.source_as_recorded = true, f.same_bytes = true;
         }),
         U::remove},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(decide_undo(r.facts), r.verdict) << r.row;
    }
    EXPECT_TRUE(undone(U::gone, false));
    EXPECT_FALSE(undone(U::gone, true)) << "a moved recording that is gone is not undone";
}

TEST(Decisions, WhatIsATemporaryOfOurs) {
    const std::string run = "0123456789ab";
    const std::string start = ".trackfold-123-" + run + "-";
    for (const std::string& name : {start + "7.part", start + "probe", start + "probe:*?\"<>|\\",
                                    start + "probe-\xE9", start + "probe-\xC3\xA9"}) {
        const auto parsed = parse_temp_name(name);
        EXPECT_TRUE(parsed && parsed->run == run) << name;
    }
    for (const std::string& name : std::vector<std::string>{
             start + "live take.mp3", start + "7.part.mp3", start + ".part", start + "probe2",
             ".trackfold-x-" + run + "-1.part", ".trackfold-123-0123456789AB-1.part",
             ".trackfold-123-0123456789a-1.part", std::string(".trackfold-record.txt")}) {
        EXPECT_FALSE(parse_temp_name(name)) << name;
    }
    const struct {
        TempRunState state;
        bool stale;
    } rows[] = {
        {{true, false, true, false}, true},    // its run ended
        {{true, false, false, true}, true},    // nobody holds its run's lock
        {{true, false, false, false}, false},  // its run is alive
        {{false, false, true, true}, false},   // a run this output never had
        {{true, true, false, true}, false},    // this run's own
    };
    for (const auto& r : rows) {
        EXPECT_EQ(temp_is_stale(r.state), r.stale);
    }
}

TEST(Decisions, WhatStaysInsideAFolder) {
    for (const char* inside : {"a.mp3", "Albums/A/b.mp3", "..a/b.."}) {
        EXPECT_TRUE(is_plain_relative(inside)) << inside;
    }
    for (const char* outside : {"", "/etc/x", "../x", "a/../../x", "a//b", "./a", "a/.", "a/"}) {
        EXPECT_FALSE(is_plain_relative(outside)) << outside;
    }
    EXPECT_EQ(relative_below("/in/a/b.mp3", "/in"), "a/b.mp3");
    EXPECT_EQ(relative_below("/a.mp3", "/"), "a.mp3");
    EXPECT_FALSE(relative_below("/in2/a.mp3", "/in"));
    EXPECT_FALSE(relative_below("/in/../etc/x", "/in"));
    const struct {
        const char* path;
        const char* folder;
        bool inside;
    } containment[] = {{"/in/a", "/in", true},   {"/in/a/", "/in/", true}, {"/in", "/in/", true},
                       {"/in2/a", "/in", false}, {"/in2", "/in/", false},  {"/x", "/", true}};
    for (const auto& c : containment) {
        EXPECT_EQ(is_inside(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
    }
    EXPECT_TRUE(is_system_folder("/proc/1/cwd"));
    EXPECT_TRUE(is_system_folder("/run"));
    EXPECT_FALSE(is_system_folder("/run/media/me/STICK"));
    EXPECT_FALSE(is_system_folder("/processed"));
    for (const char* fine : {"Albums", "Music/Albums", ""}) {
        EXPECT_EQ(sub_folder_problem({fine, "Artists", "Unknown"}), "") << fine;
    }
    for (const char* escape : {"../escaped", "/abs", "a/./b", "a/..", ".."}) {
        EXPECT_NE(sub_folder_problem({"Albums", "Artists", escape}), "") << escape;
    }
}

}  // namespace
}  // namespace trackfold::test
