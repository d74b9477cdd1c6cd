#include "util/nfc.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "util/nfc_tables.h"
#include "util/text.h"

namespace trackfold {
namespace {

// Hangul syllables decompose and compose by arithmetic rather than by table.
constexpr char32_t kSyllableBase = 0xAC00, kLeadBase = 0x1100, kVowelBase = 0x1161,
                   kTrailBase = 0x11A7;
constexpr char32_t kLeadCount = 19, kVowelCount = 21, kTrailCount = 28,
                   kSyllableCount = kLeadCount * kVowelCount * kTrailCount;

// Below U+0300 no character decomposes in NFC or combines with the one before.
constexpr char32_t kFirstChanging = 0x0300;

std::uint8_t combining_class(char32_t c) {
    const auto* end = nfc::kCombiningClasses + nfc::kCombiningClassCount;
    const auto* found = std::upper_bound(
        nfc::kCombiningClasses, end, c,
        [](char32_t value, const nfc::CombiningClass& range) { return value < range.first; });
    return found != nfc::kCombiningClasses && c <= (found - 1)->last ? (found - 1)->value : 0;
}

void decompose(char32_t c, std::u32string& out) {
    if (c >= kSyllableBase && c < kSyllableBase + kSyllableCount) {
        const char32_t index = c - kSyllableBase;
        out += kLeadBase + index / (kVowelCount * kTrailCount);
        out += kVowelBase + (index % (kVowelCount * kTrailCount)) / kTrailCount;
        if (index % kTrailCount != 0) {
            out += kTrailBase + index % kTrailCount;
        }
        return;
    }
    const auto* end = nfc::kDecompositions + nfc::kDecompositionCount;
    const auto* found = std::lower_bound(
        nfc::kDecompositions, end, c,
        [](const nfc::Decomposition& entry, char32_t value) { return entry.code_point < value; });
    if (found == end || found->code_point != c) {
        out += c;
        return;
    }
    decompose(found->first, out);
    if (found->second != 0) {
        decompose(found->second, out);
    }
}

// 0 when the pair has no primary composite.
char32_t composite(char32_t first, char32_t second) {
    if (first >= kLeadBase && first < kLeadBase + kLeadCount && second >= kVowelBase &&
        second < kVowelBase + kVowelCount) {
        return kSyllableBase +
               ((first - kLeadBase) * kVowelCount + (second - kVowelBase)) * kTrailCount;
    }
    if (first >= kSyllableBase && first < kSyllableBase + kSyllableCount &&
        (first - kSyllableBase) % kTrailCount == 0 && second > kTrailBase &&
        second < kTrailBase + kTrailCount) {
        return first + (second - kTrailBase);
    }
    const auto* end = nfc::kCompositions + nfc::kCompositionCount;
    const auto* found = std::lower_bound(
        nfc::kCompositions, end, std::pair(first, second),
        [](const nfc::Composition& entry, const std::pair<char32_t, char32_t>& pair) {
            return std::pair(entry.first, entry.second) < pair;
        });
    return found != end && found->first == first && found->second == second ? found->composite : 0;
}

// Decomposition, canonical order, then composition of every unblocked pair with the last
// starter.
std::u32string normalise(const std::u32string& text) {
    std::u32string chars;
    for (const char32_t c : text) {
        decompose(c, chars);
    }
    std::vector<std::uint8_t> classes(chars.size());
    std::transform(chars.begin(), chars.end(), classes.begin(), combining_class);
    for (std::size_t i = 1; i < chars.size(); ++i) {
        // An insertion sort of each run of marks, which keeps equal classes in their order.
        for (std::size_t j = i; j > 0 && classes[j] != 0 && classes[j - 1] > classes[j]; --j) {
            std::swap(chars[j], chars[j - 1]);
            std::swap(classes[j], classes[j - 1]);
        }
    }
    std::u32string out;
    std::size_t starter = std::u32string::npos;
    std::uint8_t last_class = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::uint8_t cls = classes[i];
        const bool blocked = starter == std::u32string::npos ||
                             (out.size() - 1 != starter && (last_class == 0 || last_class >= cls));
        if (!blocked) {
            if (const char32_t joined = composite(out[starter], chars[i]); joined != 0) {
                out[starter] = joined;
                continue;
            }
        }
        if (cls == 0) {
            starter = out.size();
        }
        last_class = cls;
        out += chars[i];
    }
    return out;
}

}  // namespace

std::string to_nfc(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::u32string run;
    bool changing = false;
    const auto flush = [&] {
        for (const char32_t c : changing ? normalise(run) : run) {
            append_utf8(out, c);
        }
        run.clear();
        changing = false;
    };
    while (!utf8.empty()) {
        const auto character = decode_utf8(utf8);
        if (!character) {
            flush();
            out += utf8.front();
            utf8.remove_prefix(1);
            continue;
        }
        run += character->code_point;
        changing = changing || character->code_point >= kFirstChanging;
        utf8.remove_prefix(character->length);
    }
    flush();
    return out;
}

}  // namespace trackfold
