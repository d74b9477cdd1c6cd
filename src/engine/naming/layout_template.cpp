#include "engine/naming/layout_template.h"

#include <algorithm>
#include <utility>

#include "engine/naming/folder_names.h"
#include "util/text.h"

namespace trackfold {

namespace {

constexpr std::size_t kLongestLayout = 1000;

constexpr std::string_view kFieldNames[kLayoutFields] = {
    "artist", "albumartist", "album", "disc",     "track",  "title",   "year",
    "genre",  "filename",    "ext",   "category", "albums", "artists", "unknown"};

std::string field_list() {
    std::string list;
    for (const std::string_view name : kFieldNames) {
        list += (list.empty() ? "" : ", ") + std::string(name);
    }
    return list;
}

std::optional<LayoutField> field_named(std::string_view name) {
    const auto* found = std::find(std::begin(kFieldNames), std::end(kFieldNames), name);
    if (found == std::end(kFieldNames)) {
        return std::nullopt;
    }
    return static_cast<LayoutField>(found - std::begin(kFieldNames));
}

bool is_folder_name_field(LayoutField field) {
    return field == LayoutField::category || field == LayoutField::albums ||
           field == LayoutField::artists || field == LayoutField::unknown;
}

// "artist|albumartist:2" between the braces; the problem, or "".
std::string parse_field(std::string_view spec, LayoutPiece& piece) {
    const std::string whole = "{" + std::string(spec) + "}";
    if (const std::size_t colon = spec.find(':'); colon != std::string_view::npos) {
        const std::string_view digits = spec.substr(colon + 1);
        if (digits.size() != 1 || digits[0] < '1' || digits[0] > '9') {
            return whole + " wants a number of digits from 1 to 9 after its colon";
        }
        piece.width = digits[0] - '0';
        spec = spec.substr(0, colon);
    }
    for (std::size_t start = 0; start <= spec.size();) {
        const std::size_t bar = std::min(spec.find('|', start), spec.size());
        const std::optional<LayoutField> field = field_named(spec.substr(start, bar - start));
        if (!field) {
            return whole + " names no field; the fields are " + field_list();
        }
        piece.fields.push_back(*field);
        start = bar + 1;
    }
    return {};
}

// One part, between two "/"; the problem, or "".
std::string parse_part(std::string_view text, LayoutPart& part) {
    if (text.empty()) {
        return "a part is empty: the layout must not begin or end with /, nor hold //";
    }
    if (text == "." || text == "..") {
        return "a part . or .. would name no folder of its own";
    }
    int brackets = 0;
    bool in_bracket = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '{') {
            const std::size_t close = text.find('}', i);
            if (close == std::string_view::npos) {
                return "a { has no } to close it";
            }
            LayoutPiece piece{.bracket = in_bracket ? brackets - 1 : -1};
            if (std::string problem = parse_field(text.substr(i + 1, close - i - 1), piece);
                !problem.empty()) {
                return problem;
            }
            part.pieces.push_back(std::move(piece));
            i = close + 1;
            continue;
        }
        if (c == '}') {
            return "a } has no { before it";
        }
        if (c == '[' || c == ']') {
            if ((c == '[') == in_bracket) {
                return c == '[' ? "a [ stands inside another [ ]" : "a ] has no [ before it";
            }
            in_bracket = c == '[';
            brackets += in_bracket ? 1 : 0;
            ++i;
            continue;
        }
        if (part.pieces.empty() || !part.pieces.back().fields.empty()) {
            part.pieces.push_back({.bracket = in_bracket ? brackets - 1 : -1});
        }
        part.pieces.back().text += c;
        ++i;
    }
    return in_bracket ? "a [ has no ] to close it" : "";
}

// A [ ] holding a "/" would part it into two parts, each with half of it.
bool slash_in_brackets(std::string_view text) {
    bool in_bracket = false;
    for (const char c : text) {
        in_bracket = c == '[' ? true : c == ']' ? false : in_bracket;
        if (c == '/' && in_bracket) {
            return true;
        }
    }
    return false;
}

bool has_field(const LayoutPart& part) {
    return std::any_of(part.pieces.begin(), part.pieces.end(),
                       [](const LayoutPiece& piece) { return !piece.fields.empty(); });
}

bool is_setting_alone(const LayoutPart& part) {
    return part.pieces.size() == 1 && part.pieces[0].fields.size() == 1 &&
           part.pieces[0].width == 0 && part.pieces[0].bracket < 0 &&
           is_folder_name_field(part.pieces[0].fields[0]);
}

bool is_source_name(const LayoutPart& part) {
    return part.pieces.size() == 1 &&
           part.pieces[0].fields == std::vector{LayoutField::file_name} &&
           part.pieces[0].width == 0;
}

std::string first_value(const LayoutPiece& piece, const LayoutValues& values) {
    for (const LayoutField field : piece.fields) {
        if (const std::string& value = values[field]; !value.empty()) {
            const bool number = std::all_of(value.begin(), value.end(),
                                            [](char c) { return c >= '0' && c <= '9'; });
            const std::size_t width = static_cast<std::size_t>(piece.width);
            return number && value.size() < width ? std::string(width - value.size(), '0') + value
                                                  : value;
        }
    }
    return {};
}

// The part's text, or nothing when a field outside brackets is missing.
std::optional<std::string> expand_part(const LayoutPart& part, const LayoutValues& values) {
    std::vector<std::string> texts;
    std::vector<bool> bracket_whole;
    for (const LayoutPiece& piece : part.pieces) {
        texts.push_back(piece.fields.empty() ? piece.text : first_value(piece, values));
        if (piece.bracket >= 0) {
            bracket_whole.resize(std::max(bracket_whole.size(), std::size_t(piece.bracket) + 1),
                                 true);
        }
        if (!piece.fields.empty() && texts.back().empty()) {
            if (piece.bracket < 0) {
                return std::nullopt;
            }
            bracket_whole[static_cast<std::size_t>(piece.bracket)] = false;
        }
    }
    std::string text;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const int bracket = part.pieces[i].bracket;
        if (bracket < 0 || bracket_whole[static_cast<std::size_t>(bracket)]) {
            text += texts[i];
        }
    }
    return trim_spaces(text);
}

}  // namespace

LayoutParse parse_layout(std::string_view text) {
    if (text.empty()) {
        text = kDesignLayout;
    }
    if (text.size() > kLongestLayout) {
        return {std::nullopt, "it is longer than " + std::to_string(kLongestLayout) + " bytes"};
    }
    if (slash_in_brackets(text)) {
        return {std::nullopt, "a [ ] holds a /: brackets stay within one part"};
    }
    LayoutTemplate layout;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t slash = std::min(text.find('/', start), text.size());
        LayoutPart part;
        if (std::string problem = parse_part(text.substr(start, slash - start), part);
            !problem.empty()) {
            return {std::nullopt, std::move(problem)};
        }
        layout.folders.push_back(std::move(part));
        start = slash + 1;
    }
    layout.file = std::move(layout.folders.back());
    layout.folders.pop_back();
    if (!has_field(layout.file)) {
        return {std::nullopt,
                "its last part names the file but holds no field, so every file "
                "would take the same name"};
    }
    layout.setting_first = !layout.folders.empty() && is_setting_alone(layout.folders.front());
    return {std::move(layout), {}};
}

LayoutPath expand_layout(const LayoutTemplate& layout, const LayoutValues& values) {
    LayoutPath path;
    auto folder = layout.folders.begin();
    if (layout.setting_first) {
        path.base = values[folder->pieces[0].fields[0]];
        ++folder;
    }
    for (; folder != layout.folders.end(); ++folder) {
        if (std::optional<std::string> text = expand_part(*folder, values);
            text && !text->empty()) {
            path.folders.push_back(std::move(*text));
        }
    }
    if (!is_source_name(layout.file)) {
        path.file_stem = expand_part(layout.file, values).value_or("");
    }
    return path;
}

std::string layout_file_name(const LayoutPath& path, std::string_view source_name,
                             std::size_t max_bytes) {
    if (path.file_stem.empty()) {
        return std::string(source_name);
    }
    const std::size_t dot = source_name.rfind('.');
    const std::string_view extension =
        dot == std::string_view::npos || dot == 0 ? "" : source_name.substr(dot + 1);
    const std::size_t room = extension.empty() ? 0 : extension.size() + 1;
    const std::string stem =
        safe_folder_name(path.file_stem, max_bytes > room + 1 ? max_bytes - room : 1);
    return extension.empty() ? stem : stem + "." + std::string(extension);
}

}  // namespace trackfold
