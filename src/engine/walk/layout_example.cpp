#include "engine/walk/layout_example.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/naming/disc_number.h"
#include "engine/naming/folder_names.h"
#include "engine/walk/layout_target.h"

namespace fs = std::filesystem;

namespace trackfold {

std::string sample_music_file(const std::string& folder, const FileTypes& types, std::size_t most) {
    std::deque<fs::path> folders{fs::path(folder)};
    std::size_t seen = 0;
    while (!folders.empty() && seen < most) {
        std::vector<fs::directory_entry> entries;
        std::error_code ec;
        for (fs::directory_iterator it(folders.front(), ec), end; !ec && it != end && seen < most;
             it.increment(ec), ++seen) {
            entries.push_back(*it);
        }
        folders.pop_front();
        std::sort(entries.begin(), entries.end());
        for (const fs::directory_entry& entry : entries) {
            const fs::file_status status = entry.symlink_status(ec);
            if (!ec && fs::is_regular_file(status) &&
                has_accepted_type(entry.path().filename().string(), types.accepted)) {
                return entry.path().string();
            }
            if (!ec && fs::is_directory(status)) {
                folders.push_back(entry.path());
            }
        }
    }
    return {};
}

std::string layout_example(const FolderSettings& settings, const TagResult& tags,
                           std::string_view source_name) {
    const int disc =
        settings.disc_folders ? disc_folder({parse_set_number(tags.fields.disc), false, 0}) : 0;
    const LayoutPath path =
        expand_layout(settings.layout, layout_file(tags, settings.names, disc, source_name).values);
    std::string example = path.base.value_or("");
    for (const std::string& folder : path.folders) {
        example += (example.empty() ? "" : "/") + safe_folder_name(folder);
    }
    const std::string name = layout_file_name(path, source_name, kDefaultNameMax);
    return example.empty() ? name : example + "/" + name;
}

}  // namespace trackfold
