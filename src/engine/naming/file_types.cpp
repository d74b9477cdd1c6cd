#include "engine/naming/file_types.h"

#include <algorithm>

#include "tags/audio_formats.h"
#include "util/text.h"

namespace trackfold {
namespace {}  // namespace

FileTypes parse_file_types(std::string_view setting) {
    constexpr std::string_view kSeparators = " \t,";
    FileTypes types;
    for (std::size_t at = setting.find_first_not_of(kSeparators); at != std::string_view::npos;
         at = setting.find_first_not_of(kSeparators, at)) {
        const std::size_t end = std::min(setting.find_first_of(kSeparators, at), setting.size());
        const std::string_view written = setting.substr(at, end - at);
        at = end;
        const std::string type =
            ascii_lower(written.starts_with('.') ? written.substr(1) : written);
        auto& list = is_supported_extension(type) ? types.accepted : types.unknown;
        const std::string& kept = &list == &types.accepted ? type : std::string(written);
        if (std::find(list.begin(), list.end(), kept) == list.end()) {
            list.push_back(kept);
        }
    }
    if (types.accepted.empty() && types.unknown.empty()) {
        types.accepted.push_back("mp3");
    }
    return types;
}

bool has_accepted_type(std::string_view name, const std::vector<std::string>& accepted) {
    const std::string extension = lower_extension(name);
    return !extension.empty() &&
           std::find(accepted.begin(), accepted.end(), extension) != accepted.end();
}

}  // namespace trackfold
