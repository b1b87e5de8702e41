// Where the Windows side of a Wine installation lives on disk.
#pragma once

#include <filesystem>

namespace registry {

// The Wine prefix: $WINEPREFIX when set and not empty, else ~/.wine.
std::filesystem::path WinePrefixPath();

// The current user's hive of a prefix (HKEY_CURRENT_USER): its user.reg.
std::filesystem::path UserHivePath(const std::filesystem::path& prefix);

}  // namespace registry
