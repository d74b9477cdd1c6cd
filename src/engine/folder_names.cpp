#include "engine/folder_names.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "util/text.h"

namespace trackfold {

namespace {

bool is_reserved(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F ||
           std::string_view("\\/:*?\"<>|").find(static_cast<char>(byte)) != std::string_view::npos;
}

// U+0080 to U+009F in UTF-8: invisible in a folder list, and some are terminal escapes.
bool is_c1_control(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]) == 0xC2 && at + 1 < text.size() &&
           static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

}  // namespace

std::string safe_folder_name(std::string_view tag_text, std::size_t max_bytes) {
    std::string name;
    name.reserve(tag_text.size());
    for (std::size_t i = 0; i < tag_text.size(); ++i) {
        if (is_c1_control(tag_text, i)) {
            name += '_';
            ++i;
        } else {
            name += is_reserved(static_cast<unsigned char>(tag_text[i])) ? '_' : tag_text[i];
        }
    }
    if (name.size() > max_bytes) {
        name.resize(utf8_prefix(name, max_bytes).size());
    }
    for (auto it = name.rbegin(); it != name.rend() && (*it == '.' || *it == ' '); ++it) {
        *it = '_';
    }
    return name;
}

std::string numbered_file_name(std::string_view name, int n, std::size_t max_bytes) {
    if (n == 1 && name.size() <= max_bytes) {
        return std::string(name);
    }
    const std::string suffix = n > 1 ? " (" + std::to_string(n) + ")" : "";
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 ||
        name.size() - dot + suffix.size() >= max_bytes) {
        dot = name.size();
    }
    const std::string_view extension = name.substr(dot);
    const std::size_t room = max_bytes - std::min(max_bytes, extension.size() + suffix.size());
    return std::string(utf8_prefix(name.substr(0, dot), room)) + suffix + std::string(extension);
}

std::string incremented_count(const std::string& count_text) {
    const double next = std::strtod(count_text.c_str(), nullptr) + 1;
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, next, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

}  // namespace trackfold
