#pragma once

#include <string>
#include <string_view>

namespace trackfold {

// A key under which two names compare equal when they differ only in letter case
// ("The Beatles", "the beatles", "BJÖRK", "björk"), in every script, or in Unicode normal form
// ("é" as one character or as e + U+0301). The mapping is one
// character to one, so "Straße" and "Strasse" stay apart. Invalid UTF-8 bytes are kept as they are.
std::string fold_case(std::string_view text);

}  // namespace trackfold
