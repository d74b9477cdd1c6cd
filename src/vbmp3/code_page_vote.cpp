#include "code_page_vote.h"

#include <vector>

#include "code_page.h"
#include "reading_score.h"

namespace trackfold {
namespace {

constexpr std::string_view kWestern = "CP1252";

int album_score(std::span<const LegacyText> texts, std::string_view code_page) {
    int total = 0;
    for (const LegacyText& text : texts) {
        total += reading_score(text.bytes, text.fills_field, code_page)
                     .value_or(unread_score(text.bytes));
    }
    return total;
}

}  // namespace

std::string vote_code_page(std::span<const LegacyText> texts, std::string_view prior) {
    const int prior_score = album_score(texts, prior);
    const int western_score = prior == kWestern ? prior_score : album_score(texts, kWestern);
    // Western text must stay Western: the prior has to read the album better, not as well.
    std::string_view kept = western_score >= prior_score ? kWestern : prior;
    const int to_beat = std::max(prior_score, western_score) + kClearMargin;
    std::string_view best = kept;
    int best_score = to_beat - 1;
    for (const char* code_page : auto_code_pages()) {
        if (code_page == prior || code_page == kWestern) {
            continue;
        }
        if (const int score = album_score(texts, code_page); score > best_score) {
            best = code_page;
            best_score = score;
        }
    }
    return std::string(best);
}

}  // namespace trackfold
