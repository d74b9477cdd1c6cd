#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

struct FileTypes {
    std::vector<std::string> accepted{};  // lower case, without the dot
    std::vector<std::string> unknown{};   // as the setting writes them
};

// The FileTypes setting: extensions separated by blanks or commas, in any case, with or
// without a leading dot. Absent or empty takes MP3s alone.
FileTypes parse_file_types(std::string_view setting);

// True when the name's extension is one of `accepted`, in any case.
bool has_accepted_type(std::string_view name, const std::vector<std::string>& accepted);

}  // namespace trackfold
