// Whole-file replacement that a reader sees either before or after: the new
// content goes to a temporary file beside the target, which is then renamed
// over it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace registry {

// Replaces the content of `target` (following a symbolic link to the real
// file) with `content`, keeping its permission bits and, where allowed, its
// owner. Returns 0 or the Win32 error number of the failing step; on failure
// the target is unchanged and no temporary file is left behind.
uint32_t ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content);

}  // namespace registry
