#include "engine/lines/run_log.h"

#include "util/log_file.h"

namespace trackfold {

std::string RunLog::write(const std::filesystem::path& path) const {
    return WriteLogFile(path, lines_.size(), [this](std::size_t i) { return lines_[i]; });
}

}  // namespace trackfold
