// Whole-file replacement that a reader sees either before or after: the new
// content goes to a temporary file beside the target, which is then renamed
// over it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace registry {

// Replaces the content of `target` with `content`, or creates it. Symbolic
// links on the way are followed only as MayFollowLink allows. An existing
// target must be a regular file the running user may write (the rename alone
// would bypass its own mode); the new file keeps its owner, group and mode,
// and when they cannot be kept nothing is replaced. Returns 0 or the Win32
// error number of the failing step, with `detail` naming the file and reason
// where there is more to say; on failure the target is unchanged and no
// temporary file is left behind.
uint32_t ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content, std::string& detail);

}  // namespace registry
