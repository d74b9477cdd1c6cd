#pragma once

#include <cstddef>
#include <cstdint>

// The Unicode data NFC needs, made by scripts/make-nfc-tables; each table sorted by its first
// member.
namespace trackfold::nfc {

struct CombiningClass {
    char32_t first, last;
    std::uint8_t value;  // the canonical combining class; characters in no range have 0
};

// One step of a canonical decomposition: to `first` and `second`, or to `first` alone when
// `second` is 0. Hangul syllables are left to their algorithm.
struct Decomposition {
    char32_t code_point, first, second;
};

// The primary composites: `first` followed by `second` becomes `composite`.
struct Composition {
    char32_t first, second, composite;
};

extern const CombiningClass kCombiningClasses[];
extern const std::size_t kCombiningClassCount;
extern const Decomposition kDecompositions[];
extern const std::size_t kDecompositionCount;
extern const Composition kCompositions[];
extern const std::size_t kCompositionCount;

}  // namespace trackfold::nfc
