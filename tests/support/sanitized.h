#pragma once

namespace trackfold::test {

// An instrumented build runs several times slower. It is there for memory and thread faults,
// which a kill test finds at a few of its kill points as well as at all of them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace trackfold::test
