#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

// A layout names the target of each file under the output folder, one part per folder and a
// last part for the file's name, parts parted by "/":
//   {field}        a value of the file: artist, albumartist, album, disc, track, title, year,
//                  genre, filename, ext, category, albums, artists, unknown
//   {a|b|c}        the first of the fields that the file has
//   {track:2}      a number given at least 2 digits, with leading zeros
//   [text {field}] the text in brackets only where every field in it is there
// A folder part whose field (outside brackets) is missing, or that comes out empty, is left
// out; a file part that does gives the source's own name. The last part is the name without
// its extension: the source's extension always follows. A first part of one folder-name field
// alone ({category}, {albums}, {artists}, {unknown}) is the settings' folder as it is, which
// may hold several folders; every other value passes the disk's name rules, one folder each.
inline constexpr std::string_view kDesignLayout =
    "{category}/{artist}/{album}/Disc {disc}/{filename}";

enum class LayoutField {
    artist,  // the artist folder's name: the album artist instead where UseAlbumArtist says so
    album_artist,
    album,
    disc,  // only for one disc of several
    track,
    title,
    year,
    genre,
    file_name,  // the source's own name without its extension
    extension,  // the source's, without the dot
    category,   // the folder of the file's kind: albums, artists or unknown
    albums,
    artists,
    unknown,
};
inline constexpr std::size_t kLayoutFields = 14;

// One file's values, by LayoutField; "" for one it does not have.
struct LayoutValues {
    std::string values[kLayoutFields];
    std::string& operator[](LayoutField field) { return values[static_cast<std::size_t>(field)]; }
    const std::string& operator[](LayoutField field) const {
        return values[static_cast<std::size_t>(field)];
    }
};

struct LayoutPiece {
    std::string text{};                 // literal text, where fields is empty
    std::vector<LayoutField> fields{};  // else the first of these the file has
    int width = 0;                      // digits at least, for a number
    int bracket = -1;                   // the [ ] group it is in; -1 for none
};

struct LayoutPart {
    std::vector<LayoutPiece> pieces{};
};

struct LayoutTemplate {
    std::vector<LayoutPart> folders{};
    LayoutPart file{};
    // The first folder part is one folder-name field alone: the settings' folder, as it is.
    bool setting_first = false;
};

struct LayoutParse {
    std::optional<LayoutTemplate> layout{};
    std::string problem{};  // with no layout: why, in a sentence
};

// "" stands for the design's layout.
LayoutParse parse_layout(std::string_view text);

// What a layout gives one file, before the disk's name rules.
struct LayoutPath {
    std::optional<std::string> base{};   // the settings' folder, used as it is ("" included)
    std::vector<std::string> folders{};  // each the text of one folder's name
    std::string file_stem{};             // "": the source's own name
};

LayoutPath expand_layout(const LayoutTemplate& layout, const LayoutValues& values);

// The target's file name: the source's own, or the stem in the name rules, cut so that the dot
// and the source's extension fit in max_bytes.
std::string layout_file_name(const LayoutPath& path, std::string_view source_name,
                             std::size_t max_bytes);

}  // namespace trackfold
