#include "engine/naming/temp_names.h"
#include "util/text.h"

#include <unistd.h>

#include <algorithm>

namespace trackfold {

namespace {

constexpr std::string_view kStart = ".trackfold-";
constexpr std::size_t kRunLength = 12;

// The plain name, the characters FAT refuses, a Latin-1 "é" (no UTF-8) and a UTF-8 "é".
constexpr std::string_view kProbeSuffixes[] = {"", ":*?\"<>|\\", "-\xE9", "-\xC3\xA9"};

bool all_of(std::string_view text, bool (*test)(char)) {
    return !text.empty() && std::all_of(text.begin(), text.end(), test);
}

bool is_hex(char c) {
    return is_ascii_digit(c) || (c >= 'a' && c <= 'f');
}

bool is_our_ending(std::string_view rest) {
    if (rest.ends_with(".part")) {
        return all_of(rest.substr(0, rest.size() - 5), is_ascii_digit);
    }
    if (!rest.starts_with("probe")) {
        return false;
    }
    rest.remove_prefix(5);
    return std::find(std::begin(kProbeSuffixes), std::end(kProbeSuffixes), rest) !=
           std::end(kProbeSuffixes);
}

}  // namespace

std::string temp_prefix(const std::string& run) {
    return std::string(kStart) + std::to_string(::getpid()) + "-" + run + "-";
}

std::span<const std::string_view> probe_suffixes() {
    return kProbeSuffixes;
}

std::optional<TempName> parse_temp_name(std::string_view name) {
    if (!name.starts_with(kStart)) {
        return std::nullopt;
    }
    name.remove_prefix(kStart.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || !all_of(name.substr(0, dash), is_ascii_digit) ||
        name.size() < dash + kRunLength + 2 || name[dash + kRunLength + 1] != '-') {
        return std::nullopt;
    }
    const std::string_view run = name.substr(dash + 1, kRunLength);
    if (!all_of(run, is_hex) || !is_our_ending(name.substr(dash + kRunLength + 2))) {
        return std::nullopt;
    }
    return TempName{std::string(run)};
}

bool temp_is_stale(const TempRunState& state) {
    return state.known && !state.ours && (state.ended || state.lock_free);
}

}  // namespace trackfold
