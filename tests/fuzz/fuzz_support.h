#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace trackfold::fuzz {

// The code pages a user may name in the settings file; "" is the locale's.
inline const char* code_page_for(std::uint8_t choice) {
    static const char* const kCodePages[] = {"",       "CP1252", "CP932",  "GBK",
                                             "BIG5",   "CP949",  "CP1251", "CP1253",
                                             "CP1254", "CP1255", "CP1256", "EUC-JP"};
    return kCodePages[choice % (sizeof kCodePages / sizeof kCodePages[0])];
}

// A broken promise is a finding: libFuzzer saves the input that made it.
inline void check(bool holds, const char* promise) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}

}  // namespace trackfold::fuzz
