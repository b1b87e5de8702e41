// A database's index as bytes, to be kept in a file between runs, and read
// back. The bytes describe the file the index was built from (see
// IndexFileHeader); what is read back is checked as any input is: a length
// or offset that points outside the bytes, the index's own tables or the
// database file makes the whole read fail, never a read out of bounds.
#pragma once

#include "index.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace notesapi {

// The database file an index was built from, as its kept form names it.
struct IndexFileHeader {
    std::string path;  // absolute
    uint64_t device = 0, inode = 0, fileSize = 0;
    int64_t mtimeNs = 0, ctimeNs = 0;
    // Checksums of the file's first and last 64 KiB: a file rewritten in
    // place within one tick of its clock keeps its times, not its bytes.
    uint64_t headSum = 0, tailSum = 0;
    bool operator==(const IndexFileHeader&) const = default;
};

// The header for the open database file fd at path, described by sb; false
// when its bytes cannot be read.
bool DescribeDatabaseFile(int fd, const std::string& path, const struct stat& sb, IndexFileHeader* out);

// The index as bytes, behind header.
std::string EncodeIndex(const IndexFileHeader& header, const DatabaseIndex& index);

// The bytes of a kept index around body, the index's own encoding: sound
// whatever body holds, for tests and fuzzing of what reads it.
std::string FrameIndexBody(const IndexFileHeader& header, std::string_view body);

// The header of bytes, when they begin with one of this version.
bool DecodeIndexHeader(std::string_view bytes, IndexFileHeader* out);

// The index bytes hold, for the database file that header describes: null
// when they are damaged, of another version or describe another file.
// The index's path is path (as the caller named the file).
std::shared_ptr<DatabaseIndex> DecodeIndex(std::string_view bytes, const IndexFileHeader& header,
                                           const std::string& path);

}  // namespace notesapi
