// Reading a whole file that must be a regular file: a FIFO, a device or a
// folder in its place is refused without waiting on it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace registry {

// Reads `file` opened with `openFlags` (O_RDONLY or O_RDWR; the latter
// proves the file may be changed before any work is done). Reads no more than
// the size the file has when opened. Returns 0 or a Win32 error number, with
// `detail` naming the file and the reason: 5 for anything but a regular file.
uint32_t ReadRegularFile(const std::filesystem::path& file, int openFlags, std::string& content, std::string& detail);

}  // namespace registry
