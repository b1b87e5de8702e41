#include <registry/wine_prefix.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
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

std::optional<std::filesystem::path> WineServerDirectory(const std::filesystem::path& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0) return std::nullopt;
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return std::filesystem::path("/tmp") / (".wine-" + std::to_string(::getuid())) / name;
}

bool WineServerRunning(const std::filesystem::path& prefix) {
    const auto dir = WineServerDirectory(prefix);
    if (!dir) return false;
    // A running server holds a write lock on the whole of its lock file.
    const int fd = ::open((*dir / "lock").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

}  // namespace registry
