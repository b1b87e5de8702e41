// A compound file (structured storage): a tree of storages holding named
// streams, kept whole in memory, or made as the file is written (a long
// value kept in another form). Writes version 3 files (512-byte sectors);
// reads versions 3 and 4.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace msg {

// A file or buffer that is not what it claims to be.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stream whose bytes are made as the file is written: its size, and
// what hands its bytes (size of them) to write piece by piece, in order.
// For a value of tens of megabytes that is kept in another form.
struct MadeStream {
    uint64_t size = 0;
    std::function<void(const std::function<void(std::string_view)>& write)> make;
};

// Names are UTF-8 in memory and at most 31 UTF-16 code units on disk; a
// name is a stream's or a made stream's, not both.
struct Storage {
    std::map<std::string, Storage> storages;
    std::map<std::string, std::string> streams;  // name -> bytes
    std::map<std::string, MadeStream> madeStreams;
};

// Serialises the tree; throws std::invalid_argument for a name that does not fit.
std::string WriteCompoundFile(const Storage& root);
// The same handed to write piece by piece, in order: the large streams go
// as they are, not copied into the whole file first.
void WriteCompoundFile(const Storage& root, const std::function<void(std::string_view)>& write);

// Parses a whole compound file; throws FormatError when the bytes are damaged
// or are not a compound file.
Storage ReadCompoundFile(std::string_view bytes);
// The same, reading only the streams wanted accepts: it gets a stream's path
// from the root, storages and stream separated by "/" (e.g.
// "__nameid_version1.0/__substg1.0_00020102"). Other streams are left out.
Storage ReadCompoundFile(std::string_view bytes, const std::function<bool(std::string_view path)>& wanted);

}  // namespace msg
