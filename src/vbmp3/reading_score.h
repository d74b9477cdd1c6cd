#pragma once

#include <optional>
#include <string_view>

namespace trackfold {

// How plausible the reading of an 8-bit text in one code page is, so that the readings of an
// album's texts in every code page can be weighed against each other: about +1 for each byte
// of a letter or character the code page's languages use, +2 for their most frequent ones,
// and less for what a misreading makes (symbols inside words, accented letters that make up a
// whole word, a capital after a small letter, a mark on no letter). nullopt when the bytes do
// not read in it at all, or read into words no text has.
std::optional<int> reading_score(std::string_view bytes, bool fills_field,
                                 std::string_view code_page);

// What a text that reads in no code page counts for that one: against each of its high bytes.
int unread_score(std::string_view bytes);

}  // namespace trackfold
