#include "file_io.h"

#include <pst/error.h>

#include <base/fd_io.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pst {

namespace {
constexpr size_t kBufferLimit = 4u << 20;
// After this many bytes written, the system is asked to start writing the
// file out: a large file's last sync then waits for little (closing a 1 GB
// part of a split export stalled for most of a second without it).
constexpr uint64_t kWriteOutEvery = 32u << 20;
// Reads up to kWindowedRead bytes go through a window of kWindow bytes from
// a kWindowAlign boundary: a few dozen items' blocks, and little to copy
// where reads jump about.
constexpr size_t kWindow = 64u << 10;
constexpr size_t kWindowedRead = 16u << 10;
constexpr uint64_t kWindowAlign = 4096;

bool Overlaps(uint64_t a, uint64_t aSize, uint64_t b, uint64_t bSize) { return a < b + bSize && b < a + aSize; }
}

File::File(const std::string& path, Mode mode) : path_(path) {
    int flags = O_CLOEXEC;
    if (mode == Mode::CreateNew) flags |= O_RDWR | O_CREAT | O_EXCL;
    else if (mode == Mode::ReadWrite) flags |= O_RDWR;
    else flags |= O_RDONLY;
    fd_ = ::open(path.c_str(), flags, 0666);  // the umask decides, as for every output
    if (fd_ < 0) Fail("Cannot open", errno);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw PstError(ErrorKind::BadFormat, "Not a regular file: " + path);
    }
}

void File::ReopenForWriting() {
    const int fd = ::open(path_.c_str(), O_CLOEXEC | O_RDWR);
    if (fd < 0) Fail("Cannot open", errno);
    struct stat was {}, now {};
    if (::fstat(fd_, &was) != 0 || ::fstat(fd, &now) != 0 || was.st_dev != now.st_dev || was.st_ino != now.st_ino) {
        ::close(fd);
        throw PstError(ErrorKind::InvalidArgument, "The PST file " + path_ + " changed since it was read");
    }
    ::close(fd_);
    fd_ = fd;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

void File::Fail(const std::string& what, int err) const {
    std::string text = what + " " + path_ + ": " + std::strerror(err);
    switch (err) {
    case ENOENT: case ENOTDIR: throw PstError(ErrorKind::NotFound, text);
    case EACCES: case EPERM: case EROFS: throw PstError(ErrorKind::AccessDenied, text);
    case ENOSPC: case EDQUOT: case EFBIG: throw PstError(ErrorKind::DiskFull, text);
    case EEXIST: throw PstError(ErrorKind::InvalidArgument, text);
    default: throw PstError(ErrorKind::Io, text);
    }
}

void File::ReadDirect(uint64_t offset, uint8_t* data, size_t size) const {
    if (!buffer_.empty() && Overlaps(offset, size, bufferStart_, buffer_.size())) const_cast<File*>(this)->Flush();
    const ssize_t n = base::PreadAll(fd_, data, size, offset);
    if (n < 0) Fail("Cannot read", errno);
    if (size_t(n) < size) throw PstError(ErrorKind::BadFormat, "Unexpected end of file in " + path_);
}

thread_local File::Window* File::threadWindow_ = nullptr;

File::ThreadReads::ThreadReads() { threadWindow_ = new Window; }
File::ThreadReads::~ThreadReads() {
    delete threadWindow_;
    threadWindow_ = nullptr;
}

File::Window& File::WindowOfThread() const {
    if (!threadWindow_) return window_;
    if (threadWindow_->file != this) *threadWindow_ = Window{this, 0, {}};
    return *threadWindow_;
}

void File::ReadAt(uint64_t offset, uint8_t* data, size_t size) const {
    if (size == 0) return;
    if (size > kWindowedRead || offset > UINT64_MAX - size) return ReadDirect(offset, data, size);
    Window& w = WindowOfThread();
    if (offset < w.start || offset + size > w.start + w.data.size()) {
        const uint64_t start = offset / kWindowAlign * kWindowAlign;
        // What the write buffer holds reaches the file before it is read
        // (reading threads find it empty: it was flushed before they began).
        if (!buffer_.empty() && Overlaps(start, kWindow, bufferStart_, buffer_.size())) const_cast<File*>(this)->Flush();
        w.data.resize(kWindow);
        const ssize_t n = base::PreadAll(fd_, w.data.data(), kWindow, start);
        if (n < 0) {
            w.data.clear();
            Fail("Cannot read", errno);
        }
        w.data.resize(size_t(n));  // short at the end of the file
        w.start = start;
        if (offset + size > w.start + w.data.size())
            throw PstError(ErrorKind::BadFormat, "Unexpected end of file in " + path_);
    }
    std::memcpy(data, w.data.data() + (offset - w.start), size);
}

void File::DropWindowOver(uint64_t offset, uint64_t size) {
    if (!window_.data.empty() && Overlaps(offset, size, window_.start, window_.data.size())) window_.data.clear();
}

void File::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    CheckWritable();
    DropWindowOver(offset, size);
    if (!buffer_.empty() && offset != bufferStart_ + buffer_.size()) Flush();
    if (buffer_.empty()) bufferStart_ = offset;
    buffer_.insert(buffer_.end(), data, data + size);
    if (buffer_.size() >= kBufferLimit) Flush();
}

void File::CheckWritable() const {
    if (writeFailed_)
        throw PstError(ErrorKind::Io, "An earlier write to " + path_ + " failed; the file keeps its last saved state");
}

void File::Flush() {
    if (buffer_.empty()) return;
    CheckWritable();
    WriteDirect(bufferStart_, buffer_.data(), buffer_.size());
    buffer_.clear();
}

void File::WriteDirect(uint64_t offset, const uint8_t* data, size_t size) {
    if (base::PwriteAll(fd_, data, size, offset) != size) {
        const int err = errno;
        buffer_.clear();
        writeFailed_ = true;
        Fail("Cannot write", err);
    }
    unwritten_ += size;
    if (unwritten_ >= kWriteOutEvery) {
        // Only a hint, that does not wait for the disk: where it fails, the
        // sync that makes the file durable reports what is wrong.
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        unwritten_ = 0;
    }
}

void File::Sync() {
    Flush();
    if (::fdatasync(fd_) != 0) {
        writeFailed_ = true;
        Fail("Cannot flush", errno);
    }
}

void File::Truncate(uint64_t size) {
    Flush();
    window_.data.clear();
    if (::ftruncate(fd_, off_t(size)) != 0) {
        writeFailed_ = true;
        Fail("Cannot resize", errno);
    }
}

uint64_t File::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail("Cannot query", errno);
    uint64_t s = uint64_t(st.st_size);
    if (!buffer_.empty()) s = std::max<uint64_t>(s, bufferStart_ + buffer_.size());
    return s;
}

}  // namespace pst
