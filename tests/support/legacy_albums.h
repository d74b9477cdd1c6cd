#pragma once

#include <string>
#include <vector>

namespace trackfold::test {

// Albums as taggers on systems of one code page wrote them: the names in UTF-8, the code page
// they are to be written in, and a locale of its language.
struct LegacyAlbum {
    const char* code_page;
    const char* locale;
    std::string artist;
    std::string album;
    std::vector<std::string> titles;
};

// One album of each code page auto must tell apart, and Western ones that must stay as they are.
const std::vector<LegacyAlbum>& legacy_albums();

// UTF-8 `text` in `code_page`; throws when iconv knows no such code page or it lacks a letter.
std::string encode(const std::string& text, const char* code_page);

}  // namespace trackfold::test
