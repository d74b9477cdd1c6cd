#pragma once

#include <string>
#include <string_view>

namespace trackfold {

// Reads an 8-bit tag text as UTF-8: pure ASCII as it is; else as UTF-8 when it is valid UTF-8;
// else in the chosen code page when it decodes cleanly and plausibly there (in a double-byte
// code page: mostly characters the encoding ranks common); else as Windows-1252, whose five
// undefined bytes become U+FFFD. `fills_field`: the text fills a
// fixed-size field, so it may end in a multibyte character cut by the field's end, which is
// dropped.
// UTF-8 that no tagger writes, Latin-1 symbols glued to letters ("JJ½"), counts as no UTF-8
// when the code page is a double-byte one that reads it plausibly ("JJ陆"). With "auto" the
// texts read in the locale's code page are also kept for judging (legacy_capture.h).
std::string decode_tag_text(std::string_view bytes, bool fills_field);

// Reads an 8-bit text in the code page its album's texts were judged to be in
// (vote_code_page): there the album has spoken, so the text takes that reading unless it reads
// worse there than in Windows-1252, as a Western title in an album of another script does.
std::string decode_in_judged_code_page(std::string_view bytes, bool fills_field,
                                       const std::string& code_page);

}  // namespace trackfold
