// Time limits for tests that tell work in proportion to the input from work
// that grows with its square: generous in an optimised build, and ten times
// that in a sanitizer build, which runs several times slower (the square
// would still take far longer than either).
#pragma once

#include <chrono>

namespace testsupport {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr int kSlowdown = 10;
#else
inline constexpr int kSlowdown = 1;
#endif

inline std::chrono::seconds TimeBound(int seconds) { return std::chrono::seconds(seconds * kSlowdown); }

}  // namespace testsupport
