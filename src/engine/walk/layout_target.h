#pragma once

#include <string>
#include <string_view>

#include "engine/events/run_events.h"
#include "engine/naming/layout_template.h"
#include "engine/place/output_tree.h"
#include "engine/settings/folder_settings.h"
#include "engine/walk/tag_read_ahead.h"

namespace trackfold {

// A file's kind, as the counters tell it, and the values its layout names.
struct LayoutFile {
    Counter category = Counter::Unknown;
    LayoutValues values{};
};

// disc: the file's disc folder number (disc_folder), or 0.
LayoutFile layout_file(const TagResult& tags, const SubFolderNames& names, int disc,
                       std::string_view source_name);

// Makes the folders of the path under the output folder (ending in the separator), each tag
// text through the tree's name rules. Returns the last one, without a separator at its end.
FolderPath ensure_layout_folders(OutputTree& tree, const std::string& output,
                                 const LayoutPath& path);

}  // namespace trackfold
