// Translation of file errors of the MSG and file layers into store errors.
#pragma once

#include <store/error.h>

#include <string>

namespace store {

ErrorCode ErrorCodeFromErrno(int err);
[[noreturn]] void ThrowFileError(int err, const std::string& text);

}  // namespace store
