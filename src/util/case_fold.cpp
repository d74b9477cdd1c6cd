#include "util/case_fold.h"

#include <locale>
#include <optional>
#include <stdexcept>

#include "util/nfc.h"
#include "util/text.h"

namespace trackfold {
namespace {

// The C.UTF-8 locale knows the case of every Unicode letter, whatever locale the process runs in.
const std::ctype<wchar_t>* unicode_ctype() {
    static const std::optional<std::locale> locale = []() -> std::optional<std::locale> {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
    }();
    static const std::ctype<wchar_t>* const facet =
        locale ? &std::use_facet<std::ctype<wchar_t>>(*locale) : nullptr;
    return facet;
}

char32_t fold(char32_t c) {
    if (const auto* ctype = unicode_ctype()) {
        // Upper then lower case joins letters with several lower forms, such as the two sigmas.
        return static_cast<char32_t>(ctype->tolower(ctype->toupper(static_cast<wchar_t>(c))));
    }
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

}  // namespace

std::string fold_case(std::string_view text) {
    const std::string normal = to_nfc(text);
    std::string_view utf8 = normal;
    std::string folded;
    folded.reserve(utf8.size());
    while (!utf8.empty()) {
        // Most names are ASCII, and every file of a run is folded: spare those the locale's facet.
        if (const char c = utf8.front(); static_cast<unsigned char>(c) < 0x80) {
            folded += ascii_lower(c);
            utf8.remove_prefix(1);
            continue;
        }
        const auto character = decode_utf8(utf8);
        if (character) {
            append_utf8(folded, fold(character->code_point));
            utf8.remove_prefix(character->length);
        } else {
            folded += utf8.front();
            utf8.remove_prefix(1);
        }
    }
    return folded;
}

}  // namespace trackfold
