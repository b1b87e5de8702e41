#include <registry/wine_prefix.h>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace registry {

std::filesystem::path WinePrefixPath() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') return prefix;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw != nullptr ? pw->pw_dir : "/";
    }
    return std::filesystem::path(home) / ".wine";
}

std::filesystem::path UserHivePath(const std::filesystem::path& prefix) {
    return prefix / "user.reg";
}

}  // namespace registry
