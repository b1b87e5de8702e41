// DOS drives of a Wine prefix: c: is drive_c, every other letter is the
// dosdevices entry of that letter (usually a symbolic link).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace trellisgate {

std::filesystem::path DriveRoot(const std::filesystem::path& prefix, char letter);

// The regular file that a DOS path such as "c:\autoexec.bat" names in the
// prefix. Each name matches case-insensitively as on Windows; an exact match
// wins, otherwise the first match in byte order.
std::optional<std::filesystem::path> FindDosFile(const std::filesystem::path& prefix, std::string_view dosPath);

}  // namespace trellisgate
