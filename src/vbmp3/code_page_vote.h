#pragma once

#include <span>
#include <string>
#include <string_view>

#include "legacy_capture.h"

namespace trackfold {

// The code page one album's 8-bit texts were written in, judged from all of them together: a
// single short name says little, an album's names and titles say it clearly. Each code page of
// auto_code_pages() reads every text, and the sums of their reading_score()s vote. The prior
// (the locale's code page) and Windows-1252 keep the album unless another reading scores
// clearly more than both; between the two, Windows-1252 keeps it unless the prior scores more,
// so Western names stay Western.
std::string vote_code_page(std::span<const LegacyText> texts, std::string_view prior);

// How much more than the prior and Windows-1252 a reading must score to win.
inline constexpr int kClearMargin = 3;

}  // namespace trackfold
