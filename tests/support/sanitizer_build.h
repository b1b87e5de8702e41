// FERRYWELL_SANITIZER_BUILD is defined in a build under AddressSanitizer or
// ThreadSanitizer, which gcc and clang announce differently: such a build
// runs several times slower, and its shadow memory counts in the process's.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FERRYWELL_SANITIZER_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define FERRYWELL_SANITIZER_BUILD 1
#endif
#endif

namespace testsupport {
#ifdef FERRYWELL_SANITIZER_BUILD
inline constexpr bool kSanitizerBuild = true;
#else
inline constexpr bool kSanitizerBuild = false;
#endif
}  // namespace testsupport
