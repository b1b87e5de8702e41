#include <registry/atomic_file.h>
#include <registry/win32_error.h>

#include "parent_directory.h"
#include "unique_fd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace {

// A temporary file in a folder, removed again unless released.
class TempFile {
public:
    TempFile(int dir, std::string name, int fd) : dir_(dir), name_(std::move(name)), fd_(fd) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        fd_.Reset();
        if (!released_) ::unlinkat(dir_, name_.c_str(), 0);
    }
    int fd() const { return fd_.get(); }
    const std::string& name() const { return name_; }
    int Close() { return fd_.Close(); }
    void Release() { released_ = true; }

private:
    int dir_;
    std::string name_;
    detail::UniqueFd fd_;
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

// Creates ".<name>.XXXXXX" in `dir` for writing only by us.
int CreateTemp(int dir, const std::string& name, std::string& tempName) {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = "." + name + ".";
        for (int i = 0; i < 6; ++i) tempName += kChars[random() % (sizeof kChars - 1)];
        const int fd = ::openat(dir, tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

uint32_t ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content, std::string& why) {
    why.clear();
    // A plain system error speaks for itself; `why` is kept for refusals.
    auto fail = [](int err) { return Win32ErrorFromErrno(err); };
    detail::ParentDirectory parent;
    if (const uint32_t code = detail::OpenParentDirectory(target, parent, why); code != kErrorSuccess) return code;
    const int dir = parent.dir.get();

    // Opening the old file for writing asks the file's own mode whether it may
    // be changed; O_NOFOLLOW refuses a link put in its place meanwhile.
    struct stat old {};
    bool existed = false;
    {
        const detail::UniqueFd current(
            ::openat(dir, parent.name.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
        if (current) {
            if (::fstat(current.get(), &old) != 0) return fail(errno);
            if (!S_ISREG(old.st_mode)) {
                why = target.string() + ": not a regular file; not replaced";
                return kErrorAccessDenied;
            }
            existed = true;
        } else if (errno == ELOOP) {
            why = target.string() + ": became a symbolic link; not replaced";
            return kErrorAccessDenied;
        } else if (errno != ENOENT) {
            return fail(errno);
        }
    }

    std::string tempName;
    const int fd = CreateTemp(dir, parent.name, tempName);
    if (fd < 0) return fail(errno);
    TempFile temp(dir, tempName, fd);

    if (!WriteAll(temp.fd(), content) || ::fsync(temp.fd()) != 0) return fail(errno);
    if (existed && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(temp.fd(), old.st_uid, old.st_gid) != 0) {
        // The replacement would belong to someone else than the file it replaces.
        why = target.string() + ": its owner or group cannot be kept (" + std::strerror(errno) + "); not replaced";
        return kErrorAccessDenied;
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(temp.fd(), existed ? (old.st_mode & 07777) : 0644) != 0) return fail(errno);
    if (temp.Close() != 0) return fail(errno);
    if (::renameat(dir, temp.name().c_str(), dir, parent.name.c_str()) != 0) return fail(errno);
    temp.Release();

    const detail::UniqueFd sync(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (sync) ::fsync(sync.get());
    return kErrorSuccess;
}

}  // namespace registry
