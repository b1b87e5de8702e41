#include "growth.h"

#include "sanitizer_build.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

namespace testsupport {

namespace {

double ProcessSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

double BestProcessSeconds(const std::function<void()>& work, int runs) {
    double best = std::numeric_limits<double>::infinity();
    for (int r = 0; r < std::max(runs, 1); ++r) {
        const double start = ProcessSeconds();
        work();
        best = std::min(best, ProcessSeconds() - start);
    }
    return best;
}

double GrowthRatio(const std::function<void(int size)>& work, int small, int large, int runs) {
#ifdef FERRYWELL_SANITIZER_BUILD
    // Instrumented code runs several times slower, in proportion: a quarter
    // of each size tells the same.
    small = std::max(small / 4, 1);
    large = std::max(large / 4, 2);
#endif
    const double smallSeconds = std::max(BestProcessSeconds([&] { work(small); }, runs), 1e-6);
    return BestProcessSeconds([&] { work(large); }, runs) / smallSeconds;
}

double LinearGrowthBound(int small, int large) { return std::pow(double(large) / double(small), 1.5); }

}  // namespace testsupport
