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
std::string decode_tag_text(std::string_view bytes, bool fills_field);

}  // namespace trackfold
