// Reads and writes of whole buffers on a file descriptor: each call is
// asked again when a signal interrupts it, and a short read or write goes
// on with the rest.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace base {

// Reads until size bytes are read or the file ends. The bytes read (fewer
// than size only at the end of the file), or -1 with errno set when a read
// fails.
ssize_t ReadAll(int fd, void* data, size_t size);
// The same from offset, without moving the file position.
ssize_t PreadAll(int fd, void* data, size_t size, uint64_t offset);
// One read of at most size bytes, as soon as some are there (a pipe): the
// bytes read, 0 at the end, or -1 with errno set.
ssize_t ReadSome(int fd, void* data, size_t size);

// Writes all size bytes. The bytes written: size, or fewer with errno set
// when a write fails part way (EIO when one writes nothing).
size_t WriteAll(int fd, const void* data, size_t size);
// The same at offset, without moving the file position.
size_t PwriteAll(int fd, const void* data, size_t size, uint64_t offset);

}  // namespace base
