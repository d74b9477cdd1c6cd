#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/settings/folder_settings.h"
#include "engine/walk/tag_read_ahead.h"

namespace trackfold {

// A music file below the folder to show a layout by: the first regular file of a type the run
// takes, in name order, folder by folder, among at most `most` entries; "" when there is none.
// Links are not followed.
std::string sample_music_file(const std::string& folder, const FileTypes& types,
                              std::size_t most = 2000);

// Where the settings' layout puts a file of these tags, relative to the output folder, as
// folders the run makes would be named on a disk of the common rules. Its disc folder is
// told by its own tag alone.
std::string layout_example(const FolderSettings& settings, const TagResult& tags,
                           std::string_view source_name);

}  // namespace trackfold
