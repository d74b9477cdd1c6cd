#include "engine/walk/layout_target.h"

#include <utility>

#include "engine/naming/disc_number.h"

namespace trackfold {

LayoutFile layout_file(const TagResult& tags, const SubFolderNames& names, int disc,
                       std::string_view source_name) {
    LayoutFile file;
    const bool artist = !tags.artist.empty();
    const bool album = !tags.album.empty();
    file.category = album && artist ? Counter::AlbumArtist
                    : album         ? Counter::AlbumOnly
                    : artist        ? Counter::ArtistOnly
                                    : Counter::Unknown;
    LayoutValues& v = file.values;
    using F = LayoutField;
    v[F::artist] = tags.artist;
    v[F::album_artist] = tags.fields.album_artist;
    v[F::album] = tags.album;
    v[F::disc] = disc > 0 ? std::to_string(disc) : std::string();
    const int track = parse_set_number(tags.fields.track).number;
    v[F::track] = track > 0 ? std::to_string(track) : std::string();
    v[F::title] = tags.fields.title;
    v[F::year] = year_of(tags.fields.year);
    v[F::genre] = tags.fields.genre;
    const std::size_t dot = source_name.rfind('.');
    const bool has_extension = dot != std::string_view::npos && dot != 0;
    v[F::file_name] = std::string(has_extension ? source_name.substr(0, dot) : source_name);
    v[F::extension] = has_extension ? std::string(source_name.substr(dot + 1)) : std::string();
    v[F::albums] = names.album;
    v[F::artists] = names.artist;
    v[F::unknown] = names.unknown;
    v[F::category] = album ? names.album : artist ? names.artist : names.unknown;
    return file;
}

FolderPath ensure_layout_folders(OutputTree& tree, const std::string& output,
                                 const LayoutPath& path) {
    // A base the settings leave empty still shows its separator after the output folder's, as
    // the log always has.
    std::string folder = path.base ? output + *path.base : output.substr(0, output.size() - 1);
    if (path.base) {
        if (const std::error_code ec = tree.ensure(folder)) {
            return {folder, ec};
        }
    }
    for (const std::string& name : path.folders) {
        FolderPath found = tree.ensure_child(folder + "/", name);
        if (found.error) {
            return found;
        }
        folder = std::move(found.path);
    }
    return {folder};
}

}  // namespace trackfold
