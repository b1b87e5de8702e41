// Win32 error numbers as the registry layer and its callers report them, and
// the system's English message text for each.
#pragma once

#include <cstdint>
#include <string>

namespace registry {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorInvalidFunction = 1;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorBadArguments = 160;
inline constexpr uint32_t kErrorMoreData = 234;
inline constexpr uint32_t kErrorBadDatabase = 1009;
inline constexpr uint32_t kErrorIoDevice = 1117;
inline constexpr uint32_t kErrorUnsupportedType = 1630;

// The message text the system gives for `code` (language neutral, no inserts),
// without a line end. Unknown numbers give "Unknown error <n>.".
std::string SystemMessageText(uint32_t code);

// Maps a POSIX errno value to the Win32 error number Windows reports for the
// same condition.
uint32_t Win32ErrorFromErrno(int err);

}  // namespace registry
