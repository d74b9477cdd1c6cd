#pragma once

#include <string_view>

namespace trackfold {

// What a reading of 8-bit bytes in one code page is expected to hold when it is right: the
// letters and characters its languages use most. A reading in the wrong code page scatters over
// its code page's characters at random, so it meets these far less often.

// The lower case of a Latin, Greek or Cyrillic letter; other characters as they are.
wchar_t lower_letter(wchar_t c);
// Whether the letter has a lower case other than itself, or is one of a cased script's.
bool is_upper_letter(wchar_t c);
bool is_lower_letter(wchar_t c);

// Whether `c` (in lower case) is among the letters or characters the code page's languages use
// most: for a one-byte code page its own accented letters or its alphabet's most frequent ones,
// for a double-byte one the few hundred characters that make up most of its languages' text.
bool is_frequent_in(std::string_view code_page, wchar_t c);

}  // namespace trackfold
