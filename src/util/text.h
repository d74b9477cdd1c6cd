#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace trackfold {

// Removes leading and trailing spaces only: tabs and other blanks are part of a name.
std::string trim_spaces(std::string_view text);

// The longest prefix of at most max_bytes bytes that does not end inside a UTF-8 character.
std::string_view utf8_prefix(std::string_view text, std::size_t max_bytes);

struct Utf8Char {
    char32_t code_point;
    std::size_t length;
};

// The character at the front of text, or nullopt when its first byte does not start a
// well-formed sequence (overlong forms, surrogates and truncated sequences included).
std::optional<Utf8Char> decode_utf8(std::string_view text);

// Well-formed UTF-8 throughout, by the same rules.
bool is_valid_utf8(std::string_view text);

// Appends the UTF-8 form of a code point up to U+10FFFF.
void append_utf8(std::string& out, char32_t code_point);

}  // namespace trackfold
