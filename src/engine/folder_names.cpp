#include "engine/folder_names.h"

#include <charconv>
#include <cstdlib>

namespace trackfold {

std::string safe_folder_name(std::string_view tag_text) {
    std::string name(tag_text);
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    for (auto it = name.rbegin(); it != name.rend() && (*it == '.' || *it == ' '); ++it) {
        *it = '_';
    }
    return name;
}

std::string numbered_file_name(std::string_view name, int n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return std::string(name) + suffix;
    }
    return std::string(name.substr(0, dot)) + suffix + std::string(name.substr(dot));
}

std::string incremented_count(const std::string& count_text) {
    const double next = std::strtod(count_text.c_str(), nullptr) + 1;
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, next, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

}  // namespace trackfold
