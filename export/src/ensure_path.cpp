#include <exporting/ensure_path.h>

#include <cerrno>
#include <sys/stat.h>

namespace exporting {

namespace {
bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

bool EnsurePathExists(const std::string& pathGiven) {
    if (IsDirectory(pathGiven)) return true;
    std::string path = pathGiven;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t at = 0;
    while (at < path.size() && path[at] == '/') ++at;
    while (true) {
        size_t slash = path.find('/', at);
        std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && !IsDirectory(prefix) && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    return IsDirectory(path);
}

}  // namespace exporting
