#include <msg/file_io.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace msg {

namespace {

std::string Describe(const std::string& what, const std::string& path, int err) {
    return what + " \"" + path + "\": " + std::strerror(err);
}

// Closes the descriptor and removes the temporary file unless released.
class TempFile {
public:
    // The temporary name is short whatever the target's name, so a target
    // whose name is near the length limit can still be written.
    explicit TempFile(const std::string& target) {
        static std::atomic<unsigned> counter{0};
        size_t slash = target.rfind('/');
        std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = dir + ".fw-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) throw IoError(errno, Describe("Cannot create a file beside", target, errno));
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
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void Release() { released_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool released_ = false;
};

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    TempFile tmp(path);
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(tmp.Fd(), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(errno, Describe("Cannot write", path, errno));
        }
        p += n;
        left -= size_t(n);
    }
    if (tmp.Close() != 0) throw IoError(errno, Describe("Cannot write", path, errno));
    if (::rename(tmp.Path().c_str(), path.c_str()) != 0) throw IoError(errno, Describe("Cannot replace", path, errno));
    tmp.Release();
}

std::string ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw IoError(errno, Describe("Cannot open", path, errno));
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            throw IoError(err, Describe("Cannot read", path, err));
        }
        if (n == 0) break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return out;
}

}  // namespace msg
