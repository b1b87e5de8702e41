// Tells work that grows in proportion to its input from work that grows with
// its square, whatever the machine's speed: the same work is run on two input
// sizes and the processor time of the larger is compared with the smaller's.
// Processor time, not wall-clock time, so that other programs on a busy
// machine do not count; the best of a few runs, so that one disturbed run
// does not either.
#pragma once

#include <functional>

namespace testsupport {

// The processor time work takes, the best of runs runs.
double BestProcessSeconds(const std::function<void()>& work, int runs = 3);

// The processor time work(large) takes over the time work(small) takes, the
// best of runs runs each. In proportion: about large / small (less when a
// fixed cost weighs in); with the square: about (large / small) squared.
// A sanitizer build, whose instrumented code runs several times slower,
// takes a quarter of each size.
double GrowthRatio(const std::function<void(int size)>& work, int small, int large, int runs = 2);

// The bound a ratio stays under for work in proportion (or n log n) to its
// input: halfway, on a logarithmic scale, between in proportion and the square.
double LinearGrowthBound(int small, int large);

}  // namespace testsupport
