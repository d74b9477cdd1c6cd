#include "code_page.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

namespace trackfold {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::string_view locale_name() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

struct LocaleCodePage {
    std::string_view language;
    std::string_view territory;  // "" matches any
    const char* code_page;
};

// The Windows code page of each language, as its users' old taggers wrote 8-bit texts.
constexpr LocaleCodePage kLocaleCodePages[] = {
    {"ja", "", "CP932"},  {"zh", "CN", "GBK"},  {"zh", "SG", "GBK"},  {"zh", "TW", "BIG5"},
    {"zh", "HK", "BIG5"}, {"ko", "", "CP949"},  {"ru", "", "CP1251"}, {"uk", "", "CP1251"},
    {"be", "", "CP1251"}, {"bg", "", "CP1251"}, {"sr", "", "CP1251"}, {"mk", "", "CP1251"},
    {"pl", "", "CP1250"}, {"cs", "", "CP1250"}, {"sk", "", "CP1250"}, {"hu", "", "CP1250"},
    {"sl", "", "CP1250"}, {"hr", "", "CP1250"}, {"bs", "", "CP1250"}, {"ro", "", "CP1250"},
    {"sq", "", "CP1250"}, {"lt", "", "CP1257"}, {"lv", "", "CP1257"}, {"et", "", "CP1257"},
    {"el", "", "CP1253"}, {"tr", "", "CP1254"}, {"az", "", "CP1254"}, {"he", "", "CP1255"},
    {"yi", "", "CP1255"}, {"ar", "", "CP1256"}, {"fa", "", "CP1256"}, {"ur", "", "CP1256"},
    {"th", "", "CP874"},  {"vi", "", "CP1258"},
};

// Western first: among readings that score alike, the earlier wins after the locale's own.
// KOI8-R is left to be named: Russian texts in it read as plausibly in CP1251's letters
// reversed in case, and Windows taggers wrote CP1251.
constexpr const char* kAutoCodePages[] = {
    "CP1252", "CP1250", "CP1257", "CP1254", "CP1258", "CP1251", "CP1253",
    "CP1255", "CP1256", "CP874",  "CP932",  "GBK",    "BIG5",   "CP949",
};

// Each thread reading tags has its own choice and its own descriptors: an iconv descriptor
// keeps conversion state, so two threads must never share one.
struct Choice {
    iconv_t decoder;
    CjkEncoding encoding;
    bool automatic = false;
};

Choice locale_choice() {
    const std::string name = locale_code_page();
    return {cached_iconv("WCHAR_T", name), cjk_encoding_of(name)};
}

Choice& chosen() {
    thread_local Choice choice = locale_choice();
    return choice;
}

}  // namespace

iconv_t cached_iconv(const std::string& to, const std::string& from) {
    thread_local std::map<std::pair<std::string, std::string>, IconvHandle> opened;
    auto [entry, added] = opened.try_emplace({to, from});
    if (added) {
        const iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            entry->second.reset(cd);
        }
    }
    return entry->second.get();
}

std::string locale_code_page() {
    // language[_territory][.codeset][@modifier]
    const std::string_view locale = locale_name();
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    std::string_view territory;
    if (language.size() < locale.size() && locale[language.size()] == '_') {
        territory = locale.substr(language.size() + 1);
        territory = territory.substr(0, territory.find_first_of(".@"));
    }
    for (const LocaleCodePage& entry : kLocaleCodePages) {
        if (entry.language == language &&
            (entry.territory.empty() || entry.territory == territory)) {
            return entry.code_page;
        }
    }
    return "CP1252";
}

std::span<const char* const> auto_code_pages() {
    return kAutoCodePages;
}

bool is_auto_code_page(std::string_view name) {
    return name.size() == kAutoCodePage.size() && upper(name) == upper(kAutoCodePage);
}

bool select_code_page(std::string_view name) {
    if (is_auto_code_page(name)) {
        chosen() = locale_choice();
        chosen().automatic = true;
        return true;
    }
    const iconv_t named = name.empty() ? nullptr : cached_iconv("WCHAR_T", upper(name));
    chosen() = named != nullptr ? Choice{named, cjk_encoding_of(name)} : locale_choice();
    return name.empty() || named != nullptr;
}

bool code_page_is_auto() {
    return chosen().automatic;
}

iconv_t code_page_decoder() {
    return chosen().decoder;
}

CjkEncoding code_page_encoding() {
    return chosen().encoding;
}

}  // namespace trackfold
