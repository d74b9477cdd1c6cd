#pragma once

#include <string>
#include <string_view>

namespace trackfold {

// A UTF-8 text in Unicode Normalization Form C, so that a name typed or tagged on a system that
// writes "é" as e + U+0301 (NFD, as macOS does) is the very same name as "é". Bytes that are no
// valid UTF-8 are kept as they are, and the text around them is normalised on its own.
std::string to_nfc(std::string_view utf8);

}  // namespace trackfold
