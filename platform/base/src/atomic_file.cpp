#include <base/atomic_file.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

namespace {

std::string Describe(const std::string& what, const std::string& path, int err) {
    return what + " \"" + path + "\": " + std::strerror(err);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    const int err = errno;
    throw IoError(err, Describe(what, path, err));
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The open temporary file; closed, and removed unless released, at the end.
class TempFile {
public:
    // The name is short whatever the target's name, so that a target whose
    // name is near the length limit can still be written, and random, so that
    // writers in other threads or processes pick other names.
    explicit TempFile(const std::string& target) {
        static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        thread_local std::mt19937_64 random{std::random_device{}()};
        const size_t slash = target.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = dir + ".fw-";
            for (int i = 0; i < 10; ++i) path_ += kChars[random() % (sizeof kChars - 1)];
            path_ += ".tmp";
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) Fail("Cannot create a file beside", target);
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!released_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void Release() { released_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool released_ = false;
};

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write", path);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

// Gives the new file the mode and, where allowed, the owner of the one it
// replaces. Only root may give a file away; anyone else keeps their own.
void KeepAttributes(int fd, const std::string& path) {
    struct stat old {};
    if (::lstat(path.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        errno != EPERM)
        Fail("Cannot keep the owner of", path);
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fd, old.st_mode & 07777) != 0) Fail("Cannot keep the permissions of", path);
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes, Durability durability) {
    TempFile tmp(path);
    WriteAll(tmp.Fd(), bytes, path);
    KeepAttributes(tmp.Fd(), path);
    if (durability == Durability::OnlyCopy && ::fsync(tmp.Fd()) != 0) Fail("Cannot write", path);
    if (tmp.Close() != 0) Fail("Cannot write", path);
    if (::rename(tmp.Path().c_str(), path.c_str()) != 0) Fail("Cannot replace", path);
    tmp.Release();
    if (durability == Durability::OnlyCopy) SyncFolderOf(path);
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open the folder", folder);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot flush a folder at all; nothing more can be done there.
    if (rc != 0 && err != EINVAL && err != EROFS) throw IoError(err, Describe("Cannot flush the folder", folder, err));
}

std::string ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open", path);
    std::string out;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw IoError(err, Describe("Cannot read", path, err));
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return out;
}

}  // namespace base
