// A file opened for positioned reads and writes, with failures mapped to
// PstError kinds, a write-behind buffer for appended data, and a read window
// for small reads.
#pragma once

#include "bytes.h"

#include <cstdint>
#include <string>

namespace pst {

class File {
public:
    enum class Mode { CreateNew, ReadWrite, ReadOnly };
    File(const std::string& path, Mode mode);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Small reads (blocks, pages) are served from a window of the file read
    // in one piece: the blocks of items written one after another lie side
    // by side, so reading a folder's items costs one read a window rather
    // than one a block. Writes that touch the window drop it.
    void ReadAt(uint64_t offset, uint8_t* data, size_t size) const;
    // A read far from the others (pages a region apart): read as asked, not
    // a window around it.
    void ReadApart(uint64_t offset, uint8_t* data, size_t size) const { ReadDirect(offset, data, size); }

    // Reads on several threads at once, while nothing is written: Flush
    // first, on the thread that writes; then each reading thread holds a
    // ThreadReads for as long as it reads, and its reads go through a
    // window of its own.
    class ThreadReads {
    public:
        ThreadReads();
        ~ThreadReads();
        ThreadReads(const ThreadReads&) = delete;
        ThreadReads& operator=(const ThreadReads&) = delete;
    };
    // Buffered: contiguous writes are gathered and written in large pieces.
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size);
    void Flush();
    void Sync();
    // Opened read-only: opens the file again for writing, once the path
    // still names the same file; PstError(InvalidArgument) when it names
    // another now, and the file stays read-only.
    void ReopenForWriting();
    void Truncate(uint64_t size);
    uint64_t Size() const;
    const std::string& Path() const { return path_; }
    // After a failed write nothing more is written: what is on the disk may
    // be incomplete past the last commit, and a new header must not point there.
    void CheckWritable() const;

private:
    void WriteDirect(uint64_t offset, const uint8_t* data, size_t size);
    void ReadDirect(uint64_t offset, uint8_t* data, size_t size) const;
    void DropWindowOver(uint64_t offset, uint64_t size);
    [[noreturn]] void Fail(const std::string& what, int err) const;

    std::string path_;
    int fd_ = -1;
    Bytes buffer_;
    uint64_t bufferStart_ = 0;
    uint64_t unwritten_ = 0;  // bytes written since the system was last asked to write the file out
    bool writeFailed_ = false;
    // What a file holds at [start, + data.size()).
    struct Window {
        const File* file = nullptr;
        uint64_t start = 0;
        Bytes data;
    };
    // The window of the reading thread: its own one while it holds a
    // ThreadReads, else the file's.
    Window& WindowOfThread() const;
    static thread_local Window* threadWindow_;

    mutable Window window_{this, 0, {}};
};

}  // namespace pst
