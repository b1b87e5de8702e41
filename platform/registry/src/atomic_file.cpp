#include <registry/atomic_file.h>
#include <registry/win32_error.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace {

// Closes and, unless released, removes a temporary file.
class TempFile {
public:
    TempFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!released_) ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void Release() { released_ = true; }

private:
    int fd_;
    std::string path_;
    bool released_ = false;
};

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::filesystem::path RealTarget(const std::filesystem::path& target) {
    char resolved[PATH_MAX];
    if (::realpath(target.c_str(), resolved) != nullptr) return resolved;
    return target;
}

}  // namespace

uint32_t ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content) {
    const std::filesystem::path real = RealTarget(target);
    struct stat old {};
    const bool existed = ::stat(real.c_str(), &old) == 0;

    std::string pattern = (real.parent_path() / ("." + real.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return Win32ErrorFromErrno(errno);
    TempFile temp(fd, pattern);

    if (!WriteAll(temp.fd(), content) || ::fsync(temp.fd()) != 0) return Win32ErrorFromErrno(errno);
    if (::fchmod(temp.fd(), existed ? (old.st_mode & 07777) : 0644) != 0) return Win32ErrorFromErrno(errno);
    if (existed && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Only root may give the file away; anyone else keeps their own ownership.
        if (::fchown(temp.fd(), old.st_uid, old.st_gid) != 0 && errno != EPERM) return Win32ErrorFromErrno(errno);
    }
    if (temp.Close() != 0) return Win32ErrorFromErrno(errno);
    if (::rename(temp.path().c_str(), real.c_str()) != 0) return Win32ErrorFromErrno(errno);
    temp.Release();

    const int dir = ::open(real.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return kErrorSuccess;
}

}  // namespace registry
