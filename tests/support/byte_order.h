#pragma once

#include <cstdint>
#include <string>

namespace trackfold::test {

inline std::string little_endian(std::uint64_t value, int width) {
    std::string out;
    for (int i = 0; i < width; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

inline std::string big_endian(std::uint64_t value, int width) {
    std::string out;
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
    return out;
}

}  // namespace trackfold::test
