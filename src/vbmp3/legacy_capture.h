#pragma once

#include <string>
#include <vector>

namespace trackfold {

// An 8-bit tag text that is neither ASCII nor plain UTF-8, as the file holds it, with how it
// was read for now (in the locale's code page).
struct LegacyText {
    std::string bytes;
    bool fills_field = false;  // it fills a fixed-size field, whose end may cut a character
    std::string reading;
};

// While the thread's code page is "auto", each such text the thread reads is kept, up to a
// bound (a file of thousands of frames must not cost memory), so that a folder's texts can be
// judged together once its files are read.
void keep_legacy_text(LegacyText text);

// The texts kept on this thread since the last call; later ones start afresh.
std::vector<LegacyText> take_legacy_texts();

}  // namespace trackfold
