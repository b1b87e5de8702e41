#include <base/fd_io.h>

#include <unistd.h>

#include <cerrno>

namespace base {

namespace {

// Calls io(at) for the bytes from at on until size bytes are done or the
// file ends (io gives 0); io gives what read or write would. False when io
// fails, with errno set; *done counts the bytes done either way.
template <class Io>
bool Loop(size_t size, size_t* done, Io io) {
    *done = 0;
    while (*done < size) {
        const ssize_t n = io(*done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        *done += size_t(n);
    }
    return true;
}

}  // namespace

ssize_t ReadAll(int fd, void* data, size_t size) {
    auto* bytes = static_cast<char*>(data);
    size_t done = 0;
    return Loop(size, &done, [&](size_t at) { return ::read(fd, bytes + at, size - at); }) ? ssize_t(done) : -1;
}

ssize_t PreadAll(int fd, void* data, size_t size, uint64_t offset) {
    auto* bytes = static_cast<char*>(data);
    size_t done = 0;
    const bool read = Loop(size, &done, [&](size_t at) { return ::pread(fd, bytes + at, size - at, off_t(offset + at)); });
    return read ? ssize_t(done) : -1;
}

ssize_t ReadSome(int fd, void* data, size_t size) {
    ssize_t n;
    do n = ::read(fd, data, size); while (n < 0 && errno == EINTR);
    return n;
}

size_t WriteAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    if (Loop(size, &done, [&](size_t at) { return ::write(fd, bytes + at, size - at); }) && done < size) errno = EIO;
    return done;
}

size_t PwriteAll(int fd, const void* data, size_t size, uint64_t offset) {
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    if (Loop(size, &done, [&](size_t at) { return ::pwrite(fd, bytes + at, size - at, off_t(offset + at)); }) &&
        done < size)
        errno = EIO;
    return done;
}

}  // namespace base
