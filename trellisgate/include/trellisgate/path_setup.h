// Trellisgate: puts the Notes program directory that the Notes installer
// recorded for the current user on that user's PATH, inside a Wine prefix.
// On a prefix configured as Windows 95, 98 or Me the PATH line of
// Autoexec.bat is edited instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <trellisgate/report.h>

namespace trellisgate {

inline constexpr const char* kNotesInstallerKey = "Software\\Lotus\\Notes\\Installer";
inline constexpr const char* kNotesDirectoryValue = "VDIR_INI";
inline constexpr const char* kEnvironmentKey = "Environment";
inline constexpr const char* kPathName = "PATH";
inline constexpr const char* kNotesNotFoundText =
    "Lotus Notes not found installed or corrupted. Please install Lotus Notes & re-run conversion Application";
inline constexpr const char* kAlertCaption = "Ferrywell";
inline constexpr const char* kAutoexecNotFoundText = "Failed to locate Autoexec.bat on c:\\ or d:\\";

struct Context {
    std::filesystem::path prefix;  // the Wine prefix
    Reporter& report;
};

// Reads VDIR_INI into `directory`. Returns 0, or the Win32 error that kept the
// directory from being read after the not-found alert was shown (2 when
// Notes is simply not installed, or the recorded directory is empty).
uint32_t ReadNotesDirectory(const Context& ctx, std::string& directory);

// True when the prefix is configured as Windows 95, 98 or Me.
bool IsWin9x(const Context& ctx);

// Appends `directory` to the user's environment value `name`. Returns the
// exit code: 0 (also when already present), 5 when access was denied, else 1.
int AddToUserPath(const Context& ctx, std::string_view name, std::string directory);

// Position of the entry of the ";"-separated `list` that equals `directory`
// byte for byte, or nothing.
std::optional<size_t> FindPathEntry(std::string_view list, std::string_view directory);

// Adds `directory` to the "set <name>" line of c:\autoexec.bat, or else
// d:\autoexec.bat. Returns the exit code like AddToUserPath.
int AddToAutoexecBat(const Context& ctx, std::string_view name, std::string directory);

// The whole tool; returns its exit code.
int Run(const Context& ctx);

}  // namespace trellisgate
