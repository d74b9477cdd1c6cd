#include "engine/run/run_window.h"

namespace trackfold {

bool selects_line(const RunEvent& event) {
    const auto* failed = std::get_if<FileFailed>(&event);
    return failed == nullptr || failed->stage != FailedAt::Reading;
}

}  // namespace trackfold
