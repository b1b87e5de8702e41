// Time limits for tests that tell work in proportion to the input from work
// that grows with its square: generous in an optimised build, and ten times
// that in a sanitizer build, which runs several times slower (the square
// would still take far longer than either).
#pragma once

#include "sanitizer_build.h"

#include <chrono>

namespace testsupport {

#ifdef FERRYWELL_SANITIZER_BUILD
inline constexpr int kSlowdown = 10;
#else
inline constexpr int kSlowdown = 1;
#endif

inline std::chrono::seconds TimeBound(int seconds) { return std::chrono::seconds(seconds * kSlowdown); }

}  // namespace testsupport
