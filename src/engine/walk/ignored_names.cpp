#include "engine/walk/ignored_names.h"

#include <algorithm>
#include <array>

#include "util/case_fold.h"
#include "util/text.h"

namespace trackfold {

namespace {

constexpr std::size_t kMostPatterns = 64;
constexpr std::size_t kLongestPattern = 255;  // bytes; no name on any disk here is longer

// A character of a name or pattern; a byte that starts no well-formed sequence stands for
// itself, apart from every character.
struct Character {
    char32_t code;
    std::size_t length;
};

Character character_at(std::string_view text, std::size_t at) {
    if (const auto decoded = decode_utf8(text.substr(at))) {
        return {decoded->code_point, decoded->length};
    }
    return {static_cast<char32_t>(0x110000 + static_cast<unsigned char>(text[at])), 1};
}

// A set "[...]" at the pattern's `at`: whether it holds `c`, and where it ends; nullopt when no
// ']' closes it, so that the '[' is a plain character.
struct SetMatch {
    bool holds;
    std::size_t end;
};

std::optional<SetMatch> match_set(std::string_view pattern, std::size_t at, char32_t c) {
    std::size_t p = at + 1;
    const bool negated = p < pattern.size() && (pattern[p] == '!' || pattern[p] == '^');
    p += negated ? 1 : 0;
    bool holds = false;
    for (bool first = true; p < pattern.size(); first = false) {
        if (pattern[p] == ']' && !first) {
            return SetMatch{holds != negated, p + 1};
        }
        const Character low = character_at(pattern, p);
        p += low.length;
        char32_t high = low.code;
        if (p + 1 < pattern.size() && pattern[p] == '-' && pattern[p + 1] != ']') {
            const Character last = character_at(pattern, p + 1);
            high = last.code;
            p += 1 + last.length;
        }
        holds = holds || (low.code <= c && c <= high);
    }
    return std::nullopt;
}

// Where pattern and name go on when the pattern's next token, not a '*', matches the name's
// next character.
struct Step {
    std::size_t pattern_end;
    std::size_t name_end;
};

std::optional<Step> match_one(std::string_view pattern, std::size_t p, std::string_view name,
                              std::size_t n) {
    const Character c = character_at(name, n);
    if (pattern[p] == '?') {
        return Step{p + 1, n + c.length};
    }
    if (pattern[p] == '[') {
        if (const std::optional<SetMatch> set = match_set(pattern, p, c.code)) {
            return set->holds ? std::optional<Step>(Step{set->end, n + c.length}) : std::nullopt;
        }
    }
    const Character literal = character_at(pattern, p);
    return literal.code == c.code ? std::optional<Step>(Step{p + literal.length, n + c.length})
                                  : std::nullopt;
}

bool is_system_file(std::string_view name) {
    static constexpr std::array<std::string_view, 3> kNames = {".ds_store", "thumbs.db",
                                                               "desktop.ini"};
    return (name.size() > 2 && name.starts_with("._")) ||
           std::find(kNames.begin(), kNames.end(), ascii_lower(name)) != kNames.end();
}

}  // namespace

IgnorePatterns parse_ignore_patterns(std::string_view setting) {
    IgnorePatterns ignore;
    for (std::size_t at = 0; at <= setting.size() && ignore.patterns.size() < kMostPatterns;) {
        const std::size_t end = std::min(setting.find(';', at), setting.size());
        const std::string pattern = trim_spaces(setting.substr(at, end - at));
        at = end + 1;
        if (!pattern.empty() && pattern.size() <= kLongestPattern &&
            pattern.find('/') == std::string::npos) {
            ignore.patterns.push_back(fold_case(pattern));
        }
    }
    return ignore;
}

std::vector<NameLeftOut> take_out_left_out(const std::string& folder, FolderListing& listing,
                                           const IgnorePatterns& ignore) {
    std::vector<NameLeftOut> left_out;
    const auto take_out = [&](auto& entries, NameKind kind) {
        std::erase_if(entries, [&](const auto& entry) {
            std::optional<LeftOutName> name = left_out_name(entry.name, kind, ignore);
            if (name) {
                left_out.push_back({folder + entry.name, kind == NameKind::folder, name->by,
                                    std::move(name->pattern)});
            }
            return name.has_value();
        });
    };
    take_out(listing.files, NameKind::file);
    take_out(listing.folders, NameKind::folder);
    return left_out;
}

bool glob_matches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    // The last '*' seen, and the place in the name it has swallowed up to: on a mismatch it
    // takes one more character, and nothing before it is tried again.
    std::optional<std::size_t> star_p;
    std::size_t star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star_p = ++p;
            star_n = n;
            continue;
        }
        if (p < pattern.size()) {
            if (const std::optional<Step> step = match_one(pattern, p, name, n)) {
                p = step->pattern_end;
                n = step->name_end;
                continue;
            }
        }
        if (!star_p) {
            return false;
        }
        star_n += character_at(name, star_n).length;
        n = star_n;
        p = *star_p;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::optional<LeftOutName> left_out_name(std::string_view name, NameKind kind,
                                         const IgnorePatterns& ignore) {
    if (kind == NameKind::file && is_system_file(name)) {
        return LeftOutName{LeftOutBy::system_file};
    }
    if (ignore.patterns.empty()) {
        return std::nullopt;
    }
    const std::string folded = fold_case(name);
    for (const std::string& pattern : ignore.patterns) {
        if (glob_matches(pattern, folded)) {
            return LeftOutName{LeftOutBy::ignore_setting, pattern};
        }
    }
    return std::nullopt;
}

}  // namespace trackfold
