#include "engine/run/run_progress.h"

#include <algorithm>

#include "engine/fsio/path.h"
#include "engine/lines/line_texts.h"

namespace trackfold {

namespace {

// Below these the rate of the first files (small folders, a cold cache) says little.
constexpr std::chrono::seconds kEstimateAfter{3};
constexpr std::size_t kEstimateAfterFiles = 20;

}  // namespace

void RunProgress::feed(const RunEvent& event) {
    const std::string* source = nullptr;
    if (const auto* placed = std::get_if<FilePlaced>(&event)) {
        done_ = std::max(done_, placed->read_count);
        source = &placed->source;
    } else if (const auto* failed = std::get_if<FileFailed>(&event)) {
        done_ = std::max(done_, failed->read_count);
        source = &failed->source;
    }
    if (source != nullptr) {
        folder_ = parent_folder(*source);
    }
}

ProgressView RunProgress::at(Clock::time_point now) const {
    ProgressView view{done_, total_, std::nullopt, std::nullopt, folder_};
    if (!total_) {
        return view;
    }
    // Files added to the input after the count make the run longer than counted.
    const std::size_t total = std::max(*total_, done_);
    view.total = total;
    view.percent = total == 0 ? 100 : static_cast<int>(done_ * 100 / total);
    const auto elapsed = now - start_;
    if (elapsed >= kEstimateAfter && done_ >= kEstimateAfterFiles) {
        const double seconds = std::chrono::duration<double>(elapsed).count();
        view.seconds_left = static_cast<long>(
            seconds * static_cast<double>(total - done_) / static_cast<double>(done_) + 0.5);
    }
    return view;
}

std::string time_left_text(long seconds) {
    if (seconds < 60) {
        return "about " + std::to_string(std::max(seconds, 1L)) + " s left";
    }
    const long minutes = (seconds + 30) / 60;
    if (minutes < 60) {
        return "about " + std::to_string(minutes) + " min left";
    }
    return "about " + std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) +
           " min left";
}

std::string progress_text(const ProgressView& view) {
    if (!view.total) {
        return with_thousands(view.done) + " files";
    }
    std::string text = with_thousands(view.done) + " of " + with_thousands(*view.total) +
                       " files (" + std::to_string(*view.percent) + "%)";
    if (view.seconds_left) {
        text += ", " + time_left_text(*view.seconds_left);
    }
    return text;
}

}  // namespace trackfold
