#include "engine/record/unfinished_moves.h"

#include <algorithm>

#include "engine/fsio/path.h"
#include "tags/audio_formats.h"
#include "util/case_fold.h"
#include "util/text.h"

namespace trackfold {

void UnfinishedMoves::add(const RecordLine& line) {
    if (line.action == RecordAction::End && line.target == "complete") {
        folders_.clear();
        return;
    }
    // Companions follow the audio; their own lines say nothing of where an album went.
    // Whoever wrote the record, a target it names must lie inside the output folder.
    if (line.action != RecordAction::SourceRemoved || !is_plain_relative(line.target) ||
        !is_supported_extension(lower_extension(line.source))) {
        return;
    }
    std::vector<std::string>& targets = folders_[parent_folder(line.source)];
    const std::string target = parent_folder(line.target);
    const auto same = [&](const std::string& known) {
        return fold_case(known) == fold_case(target);
    };
    // Two are enough to tell that the folder's audio went to several albums.
    if (targets.size() < 2 && std::none_of(targets.begin(), targets.end(), same)) {
        targets.push_back(target);
    }
}

const std::vector<std::string>& UnfinishedMoves::targets_from(
    const std::string& real_folder) const {
    static const std::vector<std::string> none;
    const std::string key = real_folder.ends_with('/') ? real_folder : real_folder + "/";
    const auto found = folders_.find(key);
    return found != folders_.end() ? found->second : none;
}

}  // namespace trackfold
