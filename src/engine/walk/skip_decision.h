#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/events/run_events.h"
#include "engine/record/record_index.h"
#include "engine/settings/folder_settings.h"

namespace trackfold {

// Where a target that the record names lies under the current folder names.
struct RecordedPlace {
    Counter category = Counter::Unknown;
    std::string base;                  // the category's folder name, as the settings give it
    std::vector<std::string> folders;  // the artist and album folders below it, as recorded
    std::string name;                  // the file's
};

// The one category whose folder and depth the target (relative to the output folder) fits:
// base/artist/album/file, base/album/file, base/artist/file or base/file. Nothing when it fits
// none, or more than one (an album folder named like the unknown folder, say): only the tags
// can tell then.
std::optional<RecordedPlace> recorded_place(std::string_view target, const SubFolderNames& names);

// What the walk finds of a file's target, at the file's turn, as the writer would find it.
struct TargetLook {
    // Its folders are there under the recorded names, and the writer, trying the source's names
    // in turn, comes to the recorded file's: each name before it holds a folder or someone
    // else's file of another size.
    bool as_recorded = false;
    bool placed_by_run = false;       // this run placed a file under that name already
    bool other_file = false;          // a regular file there, not the source itself
    bool untouched = false;           // size and times as the line says
    bool line_already_there = false;  // the line found the source's bytes there
    bool same_time = false;           // the file there has the source's time
};

// Everything the leave of a file's tags unread rests on.
struct SkipFacts {
    bool copy = false;          // not a move, whose sources go only after a check of the bytes
    bool record_sound = false;  // read whole, and written only by the user
    // The live line of the record for this source's real path, read again, is a placement of
    // this very source.
    bool line_names_source = false;
    bool place_fits = false;          // recorded_place found the line's target
    bool source_same_object = false;  // a regular file, the object the line says
    bool source_untouched = false;    // size and times as the line says
    // What the line's run said of the settings that give tags their meaning (RecordIndex::Run),
    // and the fingerprint of the current folder's.
    std::uint64_t run_settings = kSettingsUnknown;
    std::uint64_t folder_settings = kSettingsUnknown;
    std::optional<TargetLook> target{};
};

enum class SkipVerdict {
    read_tags,       // the file goes the whole way: its tags are read
    look_at_target,  // ask again with the target looked at
    already_there,   // the file is at its recorded target: placed there, nothing read or written
};

// A re-run takes a file as already placed without reading its tags only where the whole way
// would come to the same (decide_target's skip): the source and its copy both as the record's
// live line says, that line's run sorted by the very tag settings of the current folder, and
// only by them, the copy where the current folder names put a file of its category, under
// the name the writer comes to, and placed with the source's time or found holding its bytes; a
// name this run placed a file under already holds this source only where the line found it
// there.
SkipVerdict decide_skip(const SkipFacts& facts);

}  // namespace trackfold
