#include "legacy_capture.h"

#include <utility>

namespace trackfold {
namespace {

// Enough for the names and titles of a file's tags; a comment longer than a name is no
// evidence worth its bytes.
constexpr std::size_t kMostTexts = 32;
constexpr std::size_t kLongestText = 1024;

std::vector<LegacyText>& kept() {
    thread_local std::vector<LegacyText> texts;
    return texts;
}

}  // namespace

void keep_legacy_text(LegacyText text) {
    std::vector<LegacyText>& texts = kept();
    if (texts.size() < kMostTexts && text.bytes.size() <= kLongestText) {
        texts.push_back(std::move(text));
    }
}

std::vector<LegacyText> take_legacy_texts() {
    return std::exchange(kept(), {});
}

}  // namespace trackfold
