#include "engine/walk/skip_decision.h"

#include <algorithm>

#include "engine/fsio/path.h"

namespace trackfold {

namespace {

// The parts of a path, as the record keeps it: no empty part.
std::vector<std::string_view> parts_of(std::string_view path) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start < path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (slash > start) {
            parts.push_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return parts;
}

}  // namespace

std::optional<RecordedPlace> recorded_place(std::string_view target, const SubFolderNames& names) {
    // The record may be anyone's: what it names must stay inside the output folder.
    if (!is_plain_relative(target) || target.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::vector<std::string_view> parts = parts_of(target);
    const struct {
        Counter category;
        const std::string& base;
        std::size_t folders;
    } kinds[] = {{Counter::AlbumArtist, names.album, 2},
                 {Counter::AlbumOnly, names.album, 1},
                 {Counter::ArtistOnly, names.artist, 1},
                 {Counter::Unknown, names.unknown, 0}};
    std::optional<RecordedPlace> fit;
    for (const auto& kind : kinds) {
        const std::vector<std::string_view> base = parts_of(kind.base);
        if (parts.size() != base.size() + kind.folders + 1 ||
            !std::equal(base.begin(), base.end(), parts.begin())) {
            continue;
        }
        if (fit) {
            return std::nullopt;
        }
        fit = RecordedPlace{
            kind.category,
            kind.base,
            {parts.begin() + static_cast<std::ptrdiff_t>(base.size()), parts.end() - 1},
            std::string(parts.back())};
    }
    return fit;
}

SkipVerdict decide_skip(const SkipFacts& facts) {
    // Other settings could read other artists and albums from the same tags.
    const bool same_settings =
        facts.run_settings == facts.folder_settings && facts.run_settings > kSettingsMixed;
    if (!same_settings || !facts.copy || !facts.record_sound || !facts.line_names_source ||
        !facts.place_fits || !facts.source_same_object || !facts.source_untouched) {
        return SkipVerdict::read_tags;
    }
    if (!facts.target) {
        return SkipVerdict::look_at_target;
    }
    const TargetLook& target = *facts.target;
    const bool found_before =
        target.line_already_there || (!target.placed_by_run && target.same_time);
    return target.as_recorded && target.other_file && target.untouched && found_before
               ? SkipVerdict::already_there
               : SkipVerdict::read_tags;
}

}  // namespace trackfold
