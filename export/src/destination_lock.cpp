#include "destination_lock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace exporting {

namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(100);

// The lock file at path is the one that fd has open (not removed or
// replaced since it was opened).
bool StillInPlace(int fd, const std::string& path) {
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

}  // namespace

DestinationLock::~DestinationLock() { Release(); }

void DestinationLock::Release() {
    if (!fd_) return;
    // Removed only by its last holder, while locked: whoever opens it later
    // makes a new one, and whoever waits on this one finds it gone and
    // retries. A shared holder that others still share with leaves it.
    if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0 && StillInPlace(fd_.get(), path_)) ::unlink(path_.c_str());
    fd_.Reset();
}

DestinationLock::Result DestinationLock::TryOnce(bool exclusive) {
    for (;;) {
        constexpr int kFlags = O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
        int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
        // Another user's lock file: it locks as well when only read.
        if (fd < 0 && errno == EACCES) fd = ::open(path_.c_str(), O_RDONLY | kFlags);
        if (fd < 0) {
            const int err = errno;
            why_ = std::strerror(err);
            if (err == ENOENT || err == ENOTDIR || err == EACCES || err == EROFS) return Result::NotLockable;
            return Result::Failed;
        }
        fd_.Reset(fd);
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            fd_.Reset();
            why_ = "something other than a file is in the way at " + path_;
            return Result::Failed;
        }
        int rc;
        while ((rc = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (rc != 0) {
            const int err = errno;
            fd_.Reset();
            if (err == EWOULDBLOCK) return Result::Busy;
            why_ = std::strerror(err);
            return Result::Failed;
        }
        if (StillInPlace(fd, path_)) return Result::Held;
        fd_.Reset();  // its holder removed it as it let go: lock the file there now
    }
}

DestinationLock::Result DestinationLock::Take(const std::string& folder, bool exclusive, bool wait,
                                              const std::function<bool()>& stop) {
    return TakeFile(folder + "/" + kLockFileName, exclusive, wait, stop);
}

DestinationLock::Result DestinationLock::TakeFile(const std::string& path, bool exclusive, bool wait,
                                                  const std::function<bool()>& stop) {
    Release();
    path_ = path;
    for (;;) {
        const Result r = TryOnce(exclusive);
        if (r != Result::Busy || !wait) return r;
        if (stop && stop()) return Result::Stopped;
        std::this_thread::sleep_for(kWaitStep);
    }
}

}  // namespace exporting
