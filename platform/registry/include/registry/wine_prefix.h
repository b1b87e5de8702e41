// Where the Windows side of a Wine installation lives on disk.
#pragma once

#include <filesystem>
#include <optional>

namespace registry {

// The Wine prefix: $WINEPREFIX when set and not empty, else ~/.wine.
std::filesystem::path WinePrefixPath();

// The current user's hive of a prefix (HKEY_CURRENT_USER): its user.reg.
std::filesystem::path UserHivePath(const std::filesystem::path& prefix);

// The folder where a wineserver for `prefix` keeps its socket and lock file
// (/tmp/.wine-<uid>/server-<device>-<inode>), or nothing when the prefix
// does not exist.
std::optional<std::filesystem::path> WineServerDirectory(const std::filesystem::path& prefix);

// True while a wineserver runs for `prefix`. Such a server holds the hives in
// memory: it neither sees a change made to the files nor keeps it, since it
// writes its own copy back.
bool WineServerRunning(const std::filesystem::path& prefix);

}  // namespace registry
