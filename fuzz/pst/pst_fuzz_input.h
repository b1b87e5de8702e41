// The fuzz input as a file: an anonymous in-memory file the PST library
// opens by its /proc path, gone when the object is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class FuzzInputFile {
public:
    FuzzInputFile(const uint8_t* data, size_t size) : fd_(memfd_create("pst", 0)) {
        if (fd_ >= 0 && size > 0 && write(fd_, data, size) != ssize_t(size)) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~FuzzInputFile() {
        if (fd_ >= 0) close(fd_);
    }
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;
    bool Ok() const { return fd_ >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};
