#include <base/ascii.h>
#include <trellisgate/path_setup.h>

#include <registry/registry_key.h>
#include <registry/win32_error.h>
#include <registry/wine_prefix.h>

#include <algorithm>

namespace trellisgate {

namespace {

// Longest directory the installer value may hold, terminator included.
constexpr size_t kDirectoryBufferSize = 260;

}  // namespace

uint32_t ReadNotesDirectory(const Context& ctx, std::string& directory) {
    directory.clear();
    registry::RegistryKey key(registry::UserHivePath(ctx.prefix));
    std::string value;
    uint32_t code = registry::kErrorSuccess;
    if (!key.Open(kNotesInstallerKey) || !key.ReadString(kNotesDirectoryValue, value, kDirectoryBufferSize)) {
        code = key.LastError();
    } else if (value.empty() || value == "%") {
        // An empty directory would only put an empty entry on the PATH.
        code = registry::kErrorFileNotFound;
    }
    key.Close();
    if (code != registry::kErrorSuccess) {
        if (code != registry::kErrorFileNotFound) {
            // The hive itself could not be read: say why before the general notice.
            PrintError(ctx.report, "Read Registry", code);
            if (!key.ErrorDetail().empty()) ctx.report.Line(key.ErrorDetail());
        }
        ctx.report.Alert(kNotesNotFoundText, kAlertCaption);
        return code;
    }
    directory = std::move(value);
    return registry::kErrorSuccess;
}

bool IsWin9x(const Context& ctx) {
    registry::RegistryKey key(registry::UserHivePath(ctx.prefix));
    std::string version;
    if (!key.Open("Software\\Wine") || !key.ReadString("Version", version, kDirectoryBufferSize)) return false;
    version = base::AsciiLower(version);
    return version == "win95" || version == "win98" || version == "winme";
}

int Run(const Context& ctx) {
    std::string directory;
    // Without a directory there is nothing to add; the PATH is left alone.
    if (const uint32_t code = ReadNotesDirectory(ctx, directory); code != registry::kErrorSuccess) {
        return ExitCodeFor(code);
    }
    if (IsWin9x(ctx)) return AddToAutoexecBat(ctx, kPathName, std::move(directory));
    return AddToUserPath(ctx, kPathName, std::move(directory));
}

}  // namespace trellisgate
