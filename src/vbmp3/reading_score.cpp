#include "reading_score.h"

#include <algorithm>
#include <string>

#include "character_levels.h"
#include "code_page.h"
#include "common_letters.h"
#include "legacy_reading.h"

namespace trackfold {
namespace {

bool is_mark(wchar_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x05B0 && c <= 0x05C7) || c == 0x0E31 ||
           (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
}

bool is_letter(wchar_t c) {
    return !is_mark(c) && script_of(c) != Script::None;
}

// Quotes, dashes and the ellipsis sit beside letters in any language, and Spanish's opening
// marks before a word ("¿Dónde"); after a letter "¿" is Polish's "ż" misread ("niż").
bool is_word_punctuation(wchar_t c, bool after_letter) {
    return (c >= 0x2010 && c <= 0x201F) || c == 0x2026 || c == 0x00B7 || c == 0x00AB ||
           c == 0x00BB || (!after_letter && (c == 0x00A1 || c == 0x00BF));
}

// Greek's final sigma and Hebrew's final letters end a word.
bool ends_word_only(wchar_t c) {
    return c == 0x03C2 || c == 0x05DA || c == 0x05DD || c == 0x05DF || c == 0x05E3 || c == 0x05E5;
}

struct Word {
    std::size_t begin, end;
};

int letter_score(const std::wstring& chars, const Word& word, std::size_t at,
                 std::string_view code_page) {
    const wchar_t c = chars[at];
    if (is_mark(c)) {
        return at > word.begin && is_letter(chars[at - 1]) ? 1 : -3;
    }
    int score = 1 + (is_frequent_in(code_page, lower_letter(c)) ? 1 : 0);
    if (script_of(c) == Script::Latin) {
        // "Êèíî", "Ãðóïïà": Cyrillic read as Latin-1 makes words of accented letters only.
        const auto high = std::count_if(chars.begin() + word.begin, chars.begin() + word.end,
                                        [](wchar_t w) { return w >= 0x80; });
        const bool ascii = std::any_of(chars.begin() + word.begin, chars.begin() + word.end,
                                       [](wchar_t w) { return w < 0x80; });
        if (!ascii && high >= 2) {
            score = -2;
        }
    }
    if (ends_word_only(c) && at + 1 < word.end) {
        score -= 3;
    }
    if (at > word.begin && is_lower_letter(chars[at - 1]) && is_upper_letter(c)) {
        score -= 3;
    }
    return score;
}

int one_byte_score(const std::wstring& chars, std::string_view code_page) {
    int score = 0;
    for (std::size_t at = 0; at < chars.size();) {
        if (!is_letter(chars[at]) && !is_mark(chars[at])) {
            const bool after_letter = at > 0 && is_letter(chars[at - 1]);
            const bool glued = after_letter || (at + 1 < chars.size() && is_letter(chars[at + 1]));
            if (chars[at] >= 0x80 && glued && !is_word_punctuation(chars[at], after_letter)) {
                score -= 2;
            }
            // The apostrophe inside a word ("Don’t", "Rock’n’Roll") is as Western as a letter
            // gets, and the kanji it and the letter after it make in CP932 are common ones.
            if (chars[at] == 0x2019 && after_letter && at + 1 < chars.size() &&
                is_letter(chars[at + 1])) {
                score += 3;
            }
            ++at;
            continue;
        }
        Word word{at, at};
        while (word.end < chars.size() &&
               (is_letter(chars[word.end]) || is_mark(chars[word.end]))) {
            ++word.end;
        }
        for (std::size_t i = word.begin; i < word.end; ++i) {
            const bool caseless_ascii = chars[i] < 0x80;
            if (!caseless_ascii) {
                score += letter_score(chars, word, i, code_page);
            } else if (i > word.begin && chars[i - 1] >= 0x80 && is_lower_letter(chars[i - 1]) &&
                       is_upper_letter(chars[i])) {
                score -= 3;
            }
        }
        at = word.end;
    }
    return score;
}

int double_byte_score(std::string_view bytes, const std::wstring& chars, CjkEncoding encoding,
                      std::string_view code_page) {
    const CharacterTally tally = tally_characters(bytes, encoding);
    const auto frequent = std::count_if(chars.begin(), chars.end(), [&](wchar_t c) {
        return c >= 0x3000 && is_frequent_in(code_page, c);
    });
    return 2 * (tally.common - tally.rare) + static_cast<int>(frequent);
}

}  // namespace

int unread_score(std::string_view bytes) {
    return -2 * static_cast<int>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80;
    }));
}

std::optional<int> reading_score(std::string_view bytes, bool fills_field,
                                 std::string_view code_page) {
    const std::string name(code_page);
    const auto reading = decode_strictly(cached_iconv("WCHAR_T", name), bytes, fills_field);
    if (!reading || !is_clean(reading->chars) || !words_are_plausible(reading->chars)) {
        return std::nullopt;
    }
    const CjkEncoding encoding = cjk_encoding_of(code_page);
    return encoding == CjkEncoding::None
               ? one_byte_score(reading->chars, code_page)
               : double_byte_score(reading->used, reading->chars, encoding, code_page);
}

}  // namespace trackfold
