// Errors of the mail store library: a numeric code and a text for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace store {

enum class ErrorCode {
    Failed = 1,         // anything not listed below
    NotFound = 2,       // folder, store or file missing
    AccessDenied = 5,   // read-only folder or file
    BadFormat = 13,     // a file that is not what it claims to be
    DiskFull = 112,     // no room left on the device
    InvalidArgument = 87,
};

class StoreError : public std::runtime_error {
public:
    StoreError(ErrorCode code, const std::string& text) : std::runtime_error(text), code_(code) {}
    ErrorCode Code() const { return code_; }

private:
    ErrorCode code_;
};

}  // namespace store
