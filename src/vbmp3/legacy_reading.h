#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

#include "code_page.h"

namespace trackfold {

// The pieces 8-bit tag texts are read with, in one code page or judged across several.

bool is_ascii(std::string_view bytes);

// Strict UTF-8: glibc's converter takes lead bytes F5-F7 (beyond U+10FFFF) as UTF-8, and TagLib
// then drops the whole text. Returns the bytes to keep, or nullopt when the text is no UTF-8.
std::optional<std::string_view> valid_utf8(std::string_view bytes, bool fills_field);

struct Decoded {
    std::wstring chars;  // code points: glibc's wchar_t is UCS-4
    std::string_view used;
};

// Fails at an invalid sequence. A character cut at the end is dropped only from a text that fills
// its field and keeps other non-ASCII bytes: a lone high byte after ASCII is more likely a
// one-byte code page's letter than half of a character.
std::optional<Decoded> decode_strictly(iconv_t cd, std::string_view bytes, bool fills_field);

// C1 controls and private-use characters come from reading bytes in a code page they were not
// written in, not from tag texts.
bool is_clean(const std::wstring& chars);

// Scripts whose words do not take Latin letters in them, and those that sit next to Latin ones in
// real titles ("ポケモンGO", "卡拉OK").
enum class Script { None, Latin, Alphabet, Cjk };

// The script of a letter of the scripts the code pages hold; None for anything else.
Script script_of(wchar_t c);

// A Latin name read in the wrong code page shows in its words: a one-byte code page turns each
// accented letter into another alphabet's letter ("Bjцrk"), a double-byte one turns it and the
// letter after it into one ideograph or kana ("Fran輟ise", "莂 plane"). So a word mixing Latin
// with another alphabet is wrong, and so is a single CJK character with a Latin letter right
// after it. One after Latin letters is how real titles end ("Live版", "DVD付"), and a run of
// kana or ideographs next to Latin letters is a real title's way of writing ("卡拉OK").
bool words_are_plausible(const std::wstring& chars);

std::string to_utf8(const std::wstring& chars);

}  // namespace trackfold
