#include "legacy_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "util/text.h"

namespace trackfold {
namespace {

constexpr std::size_t kFailed = static_cast<std::size_t>(-1);

void reset(iconv_t cd) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
}

// Appends the conversion of `in` to `out` and advances `in` up to where it stopped. Returns 0
// when all is converted, EILSEQ at an invalid sequence, EINVAL at an incomplete one at the end,
// EBADF without a converter.
template <typename Unit>
int convert(iconv_t cd, std::string_view& in, std::basic_string<Unit>& out) {
    if (cd == nullptr) {
        return EBADF;
    }
    // Through a small buffer: room for the whole input, made up front, cost megabytes of
    // zeroed memory for a long text that fails at its first byte.
    Unit chunk[4096];
    for (;;) {
        char* source = const_cast<char*>(in.data());
        std::size_t source_left = in.size();
        char* target = reinterpret_cast<char*>(chunk);
        std::size_t target_left = sizeof chunk;
        int error = iconv(cd, &source, &source_left, &target, &target_left) == kFailed ? errno : 0;
        // Some converters hold back the last character until told that the input ends.
        if (error != E2BIG && iconv(cd, nullptr, nullptr, &target, &target_left) == kFailed) {
            error = errno;
        }
        in.remove_prefix(in.size() - source_left);
        out.append(chunk, (sizeof chunk - target_left) / sizeof(Unit));
        if (error != E2BIG) {
            return error;
        }
    }
}

// The start of a UTF-8 character that the end of the text cut short.
bool is_cut_character(std::string_view rest) {
    const auto lead = static_cast<unsigned char>(rest[0]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    return rest.size() < length && std::all_of(rest.begin() + 1, rest.end(), [](char c) {
               return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
           });
}

}  // namespace

bool is_ascii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Strict UTF-8: glibc's converter takes lead bytes F5-F7 (beyond U+10FFFF) as UTF-8, and TagLib
// then drops the whole text. Returns the bytes to keep, or nullopt when the text is no UTF-8.
std::optional<std::string_view> valid_utf8(std::string_view bytes, bool fills_field) {
    std::size_t used = 0;
    while (used < bytes.size()) {
        const auto character = decode_utf8(bytes.substr(used));
        if (!character) {
            return fills_field && is_cut_character(bytes.substr(used)) &&
                           !is_ascii(bytes.substr(0, used))
                       ? std::optional(bytes.substr(0, used))
                       : std::nullopt;
        }
        used += character->length;
    }
    return bytes;
}

std::optional<Decoded> decode_strictly(iconv_t cd, std::string_view bytes, bool fills_field) {
    Decoded decoded;
    std::string_view rest = bytes;
    reset(cd);
    const int error = convert(cd, rest, decoded.chars);
    decoded.used = bytes.substr(0, bytes.size() - rest.size());
    if (error == 0 || (error == EINVAL && fills_field && !is_ascii(decoded.used))) {
        return decoded;
    }
    return std::nullopt;
}

bool is_clean(const std::wstring& chars) {
    return std::none_of(chars.begin(), chars.end(), [](wchar_t c) {
        return (c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
    });
}

namespace {

struct ScriptRange {
    wchar_t first, last;
    Script script;
};

// Letters of the scripts the code pages hold; anything else counts as no letter.
constexpr ScriptRange kScripts[] = {
    // Latin-1 letters (without × and ÷), Latin Extended-A and -B, Vietnamese
    {0x00C0, 0x00D6, Script::Latin},
    {0x00D8, 0x00F6, Script::Latin},
    {0x00F8, 0x024F, Script::Latin},
    {0x1E00, 0x1EFF, Script::Latin},
    // Greek, Cyrillic, Hebrew, Arabic, Thai
    {0x0370, 0x052F, Script::Alphabet},
    {0x0590, 0x06FF, Script::Alphabet},
    {0x0E00, 0x0E7F, Script::Alphabet},
    // Hangul jamo and syllables
    {0x1100, 0x11FF, Script::Cjk},
    {0x3130, 0x318F, Script::Cjk},
    {0xAC00, 0xD7A3, Script::Cjk},
    // kana, halfwidth katakana, CJK ideographs
    {0x3040, 0x30FF, Script::Cjk},
    {0xFF66, 0xFF9F, Script::Cjk},
    {0x3400, 0x4DBF, Script::Cjk},
    {0x4E00, 0x9FFF, Script::Cjk},
    {0xF900, 0xFAFF, Script::Cjk},
};

}  // namespace

Script script_of(wchar_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        return Script::Latin;
    }
    for (const ScriptRange& range : kScripts) {
        if (c >= range.first && c <= range.last) {
            return range.script;
        }
    }
    return Script::None;
}

bool words_are_plausible(const std::wstring& chars) {
    struct Run {
        Script script = Script::None;
        std::size_t length = 0;
    };
    Run before;  // the run before `current` in the same word
    Run current;
    bool latin = false, alphabet = false;  // in the current word
    for (std::size_t i = 0; i <= chars.size(); ++i) {
        const Script script = i < chars.size() ? script_of(chars[i]) : Script::None;
        if (script == current.script && script != Script::None) {
            ++current.length;
            continue;
        }
        if (before.script == Script::Cjk && before.length == 1 && current.script == Script::Latin) {
            return false;
        }
        before = script == Script::None ? Run{} : current;
        current = Run{script, 1};
        if (script == Script::None) {
            latin = alphabet = false;
        }
        latin = latin || script == Script::Latin;
        alphabet = alphabet || script == Script::Alphabet;
        if (latin && alphabet) {
            return false;
        }
    }
    return true;
}

std::string to_utf8(const std::wstring& chars) {
    const iconv_t cd = cached_iconv("UTF-8", "WCHAR_T");
    std::string_view in(reinterpret_cast<const char*>(chars.data()),
                        chars.size() * sizeof(wchar_t));
    std::string out;
    reset(cd);
    convert(cd, in, out);
    return out;
}

}  // namespace trackfold
