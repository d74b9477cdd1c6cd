#include "legacy_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>

#include "code_page.h"
#include "legacy_capture.h"
#include "legacy_reading.h"
#include "reading_score.h"
#include "util/text.h"

namespace trackfold {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 by table rather than iconv: its five undefined bytes would stop iconv at every
// one of them, and a long frame full of them must cost no more than one pass.
std::string windows_1252_to_utf8(std::string_view bytes) {
    static constexpr char16_t kHighControls[32] = {
        0x20AC,       kReplacement, 0x201A, 0x0192, 0x201E, 0x2026,       0x2020, 0x2021,
        0x02C6,       0x2030,       0x0160, 0x2039, 0x0152, kReplacement, 0x017D, kReplacement,
        kReplacement, 0x2018,       0x2019, 0x201C, 0x201D, 0x2022,       0x2013, 0x2014,
        0x02DC,       0x2122,       0x0161, 0x203A, 0x0153, kReplacement, 0x017E, 0x0178,
    };
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        append_utf8(text, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
    }
    return text;
}

bool is_ascii_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// What speaks for reading the bytes as Windows-1252: bytes that it reads as an accented letter
// or as the apostrophe ’, between two ASCII letters ("Françoise", "Þjóðhátíð", "Don’t").
int western_letters(std::string_view bytes) {
    int count = 0;
    for (std::size_t i = 1; i + 1 < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool letter = (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7) || byte == 0x92;
        count += letter && is_ascii_letter(bytes[i - 1]) && is_ascii_letter(bytes[i + 1]);
    }
    return count;
}

// The reading in the chosen code page wins when its words are plausible, it has no more rare
// characters than common ones, and, where Windows-1252 would read Western letters inside words,
// more common characters than such letters. Real text in a legacy code page is almost all
// common characters; mojibake of Western text is mostly rare ones.
bool is_plausible(std::string_view bytes, const std::wstring& chars, CjkEncoding encoding) {
    if (!words_are_plausible(chars)) {
        return false;
    }
    const CharacterTally tally = tally_characters(bytes, encoding);
    const int score = tally.common - tally.rare;
    const int western = western_letters(bytes);
    return score >= 0 && (western == 0 || score > western);
}

// Valid UTF-8 whose only non-ASCII characters are C1 controls, or Latin-1's symbols glued to a
// letter ("JJ½"): no tagger writes such UTF-8, but GBK's "JJ陆" is these very bytes.
bool reads_as_misplaced_symbols(std::string_view utf8) {
    std::size_t at = 0;
    bool misplaced = false;
    bool letter_before = false;
    while (at < utf8.size()) {
        const auto character = decode_utf8(utf8.substr(at));
        if (!character) {
            return false;
        }
        const char32_t c = character->code_point;
        at += character->length;
        if (c >= 0xC0) {
            return false;
        }
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (c >= 0x80) {
            const bool letter_after = at < utf8.size() && is_ascii_letter(utf8[at]);
            misplaced = misplaced || c < 0xA0 || letter_before || letter_after;
        }
        letter_before = letter;
    }
    return misplaced;
}

// The reading of bytes that are no plain UTF-8 in one named code page: its reading when clean and
// plausible, else what UTF-8 or Windows-1252 makes of them.
std::string read_in(iconv_t decoder, CjkEncoding encoding, std::string_view bytes, bool fills_field,
                    std::optional<std::string_view> utf8) {
    const bool may_read = !utf8 || encoding != CjkEncoding::None;
    if (const auto legacy = may_read ? decode_strictly(decoder, bytes, fills_field) : std::nullopt;
        legacy && is_clean(legacy->chars) && is_plausible(legacy->used, legacy->chars, encoding)) {
        return to_utf8(legacy->chars);
    }
    return utf8 ? std::string(*utf8) : windows_1252_to_utf8(bytes);
}

}  // namespace

std::string decode_tag_text(std::string_view bytes, bool fills_field) {
    if (is_ascii(bytes)) {
        return std::string(bytes);
    }
    const auto utf8 = valid_utf8(bytes, fills_field);
    if (utf8 && !reads_as_misplaced_symbols(*utf8)) {
        return std::string(*utf8);
    }
    std::string reading =
        read_in(code_page_decoder(), code_page_encoding(), bytes, fills_field, utf8);
    if (code_page_is_auto()) {
        keep_legacy_text({std::string(bytes), fills_field, reading});
    }
    return reading;
}

std::string decode_in_judged_code_page(std::string_view bytes, bool fills_field,
                                       const std::string& code_page) {
    if (is_ascii(bytes)) {
        return std::string(bytes);
    }
    const auto utf8 = valid_utf8(bytes, fills_field);
    if (utf8 && !reads_as_misplaced_symbols(*utf8)) {
        return std::string(*utf8);
    }
    const iconv_t decoder = cached_iconv("WCHAR_T", code_page);
    const std::optional<int> judged = reading_score(bytes, fills_field, code_page);
    const std::optional<int> western = reading_score(bytes, fills_field, "CP1252");
    if (judged && (!western || *judged >= *western)) {
        if (const auto legacy = decode_strictly(decoder, bytes, fills_field)) {
            return to_utf8(legacy->chars);
        }
    }
    return utf8 ? std::string(*utf8) : windows_1252_to_utf8(bytes);
}

}  // namespace trackfold
