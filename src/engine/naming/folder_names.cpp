#include "engine/naming/folder_names.h"

#include <algorithm>

#include "tags/tag_reader.h"
#include "util/nfc.h"
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

// The length of the part of a name that Windows keeps for a device (CON, PRN, AUX, NUL, COM1,
// LPT1...), with or without an extension and in any case; 0 for other names.
std::size_t device_stem(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    std::string upper(stem);
    for (char& c : upper) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const std::string_view kept = upper;
    if (kept == "CON" || kept == "PRN" || kept == "AUX" || kept == "NUL") {
        return stem.size();
    }
    if (!kept.starts_with("COM") && !kept.starts_with("LPT")) {
        return 0;
    }
    // A digit, or the superscripts one, two and three.
    const std::string_view number = kept.substr(3);
    const bool numbered = (number.size() == 1 && number[0] >= '0' && number[0] <= '9') ||
                          number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
    return numbered ? stem.size() : 0;
}

// The rule both folder and file names follow.
std::string name_valid_everywhere(std::string_view tag_text, std::size_t max_bytes) {
    const std::string normal = to_nfc(tag_text);
    std::string name;
    name.reserve(normal.size());
    for (std::size_t i = 0; i < normal.size(); ++i) {
        if (const auto character = decode_utf8(std::string_view(normal).substr(i));
            character && is_invisible(character->code_point)) {
            i += character->length - 1;
        } else if (is_c1_control(normal, i)) {
            name += '_';
            ++i;
        } else {
            name += is_reserved(static_cast<unsigned char>(normal[i])) ? '_' : normal[i];
        }
    }
    if (const std::size_t stem = device_stem(name); stem != 0) {
        name.insert(stem, "_");
    }
    if (name.size() > max_bytes) {
        name.resize(utf8_prefix(name, max_bytes).size());
    }
    for (auto it = name.rbegin(); it != name.rend() && (*it == '.' || *it == ' '); ++it) {
        *it = '_';
    }
    return name.empty() ? "_" : name;
}

}  // namespace

std::string safe_folder_name(std::string_view tag_text, std::size_t max_bytes) {
    std::string name = name_valid_everywhere(tag_text, max_bytes);
    // File managers hide a folder whose name begins with a dot: ".38 Special" would seem lost.
    if (name.front() == '.') {
        name.front() = '_';
    }
    return name;
}

std::string target_file_name(std::string_view name, NameRules disk) {
    std::string wanted(name);
    if (disk.refuses_invalid_utf8 && !is_valid_utf8(wanted)) {
        wanted = legacy_text_to_utf8(wanted);
    }
    return disk.refuses_reserved_names ? name_valid_everywhere(wanted, std::string::npos) : wanted;
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

}  // namespace trackfold
