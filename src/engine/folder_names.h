#pragma once

#include <string>
#include <string_view>

namespace trackfold {

// Turns one tag text into exactly one folder name that is valid on every disk a collection
// may be copied to (FAT players, Windows) and cannot climb out of its parent: the reserved
// characters \ / : * ? " < > | and control characters become "_", and trailing dots and
// spaces (which also covers "." and "..") become "_". Other texts are kept exactly.
std::string safe_folder_name(std::string_view tag_text);

// "name.mp3" with n = 2 gives "name (2).mp3".
std::string numbered_file_name(std::string_view name, int n);

// The counter labels hold their counts as text; this is the text one higher.
std::string incremented_count(const std::string& count_text);

}  // namespace trackfold
