// Errors of the PST library: a kind and a readable text.
#pragma once

#include <stdexcept>
#include <string>

namespace pst {

enum class ErrorKind {
    BadFormat,      // not a PST file we can read, or damaged
    NotFound,       // file, folder or item missing
    AccessDenied,   // no permission to read or write
    DiskFull,       // no room left on the device
    Io,             // any other input/output failure
    InvalidArgument,
};

class PstError : public std::runtime_error {
public:
    PstError(ErrorKind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
    ErrorKind Kind() const { return kind_; }

private:
    ErrorKind kind_;
};

}  // namespace pst
