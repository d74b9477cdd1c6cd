#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

// The parts of a text between the separators, empty ones included: "a\tb\t" gives "a", "b", "".
std::vector<std::string_view> split_at(std::string_view text, char separator);

// ASCII letters in lower case, every other byte as it is: for names the program itself defines
// (extensions, setting values), never for a user's names, which case_fold.h folds.
char ascii_lower(char c);
// 0-9 only, whatever the locale.
inline bool is_ascii_digit(char c) {
    return c >= '0' && c <= '9';
}
std::string ascii_lower(std::string_view text);

// The extension of the last part of a path, in lower case and without the dot; "" for none.
std::string lower_extension(std::string_view path);

// Removes leading and trailing spaces only: tabs and other blanks are part of a name.
std::string trim_spaces(std::string_view text);

// Characters that show nothing and change nothing a reader sees in a name: the bidirectional
// controls (U+202A-202E, U+2066-2069 and the marks U+200E, U+200F, U+061C), the zero-width
// space and word joiner (U+200B, U+2060), the byte-order mark U+FEFF and U+180E. The joiners
// U+200C and U+200D are not among them: Persian, the Indic scripts and emoji sequences need them.
bool is_invisible(char32_t code_point);

// Unicode's white space: tabs, line ends, the no-break and the typographic spaces, U+3000.
bool is_white_space(char32_t code_point);

// True when a UTF-8 text holds nothing but white space and invisible characters: as a name it
// would show nothing, so it counts as absent. Invalid UTF-8 is not blank.
bool is_blank(std::string_view utf8);

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
