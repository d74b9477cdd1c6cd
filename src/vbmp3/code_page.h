#pragma once

#include <iconv.h>

#include <span>
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

// The setting that judges each album's code page from its texts ("auto"), and the code pages
// it chooses among, Western first.
inline constexpr std::string_view kAutoCodePage = "auto";
std::span<const char* const> auto_code_pages();
// Whether a setting names "auto", in any case.
bool is_auto_code_page(std::string_view name);

// Chooses the code page 8-bit tag texts are read in on the calling thread; "" chooses the
// locale's. An unknown name chooses the locale's too and gives false. Case does not matter.
// "auto" reads in the locale's code page for now and keeps each 8-bit text the thread reads
// (legacy_capture.h), so that a folder's texts can be judged together.
bool select_code_page(std::string_view name);

// Whether the calling thread's choice is "auto".
bool code_page_is_auto();

// The chosen code page's descriptor to code points (WCHAR_T); the locale's until one is chosen.
iconv_t code_page_decoder();

// The chosen code page's double-byte family, if it is of one.
CjkEncoding code_page_encoding();

}  // namespace trackfold
