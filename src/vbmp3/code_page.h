#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include "character_levels.h"

namespace trackfold {

// An iconv descriptor from one character set to another, opened on the calling thread's first
// use and kept for the thread's life; nullptr when iconv does not know either set.
iconv_t cached_iconv(const std::string& to, const std::string& from);

// The code page the user's locale suggests for 8-bit tag texts, looked up in LC_ALL, LC_CTYPE
// and LANG at each call, as setlocale would.
std::string locale_code_page();

// Chooses the code page 8-bit tag texts are read in on the calling thread; "" chooses the
// locale's. An unknown name chooses the locale's too and gives false. Case does not matter.
bool select_code_page(std::string_view name);

// The chosen code page's descriptor to code points (WCHAR_T); the locale's until one is chosen.
iconv_t code_page_decoder();

// The chosen code page's double-byte family, if it is of one.
CjkEncoding code_page_encoding();

}  // namespace trackfold
