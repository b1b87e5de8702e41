// Whole-file reads and writes. A write goes to a temporary file beside the
// target and is renamed over it, so the target holds either its old content
// or the complete new one, never a part.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace msg {

// A failed file operation; Errno() is the system's error number.
class IoError : public std::runtime_error {
public:
    IoError(int err, const std::string& text) : std::runtime_error(text), errno_(err) {}
    int Errno() const { return errno_; }

private:
    int errno_;
};

// Replaces (or creates) the file at path with bytes; throws IoError and
// removes its temporary file when anything fails.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads the whole file; throws IoError when it cannot.
std::string ReadWholeFile(const std::string& path);

}  // namespace msg
