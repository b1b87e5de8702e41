// Whole-file reads and writes. A write goes to a temporary file with a
// unique name beside the target and is renamed over it, so a reader sees the
// old content or the complete new one, never a part, and two writers of one
// path never share a temporary file.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace base {

// A failed file operation; Errno() is the system's error number and what()
// names the operation, the file and the system's reason.
class IoError : public std::runtime_error {
public:
    IoError(int err, const std::string& text) : std::runtime_error(text), errno_(err) {}
    int Errno() const { return errno_; }

private:
    int errno_;
};

enum class Durability {
    // The file can be made again (a rendering, a preview page): the rename
    // alone makes it whole; a crash may lose the last write.
    Ordinary,
    // The file is the user's only copy (a store, a profile, a hive): its data
    // and then its folder are flushed to the disk before the call returns.
    OnlyCopy,
};

// Replaces (or creates) the file at path with bytes. A replaced file's
// permission bits are kept, and its owner where the system allows; a new one
// gets 0666 less the umask. A symbolic link at path is replaced, not
// followed. Throws IoError when anything fails, leaving the old file as it
// was and no temporary file behind (once the new file is in place, only a
// failed flush of an OnlyCopy file's folder can still throw).
void WriteFileAtomically(const std::string& path, std::string_view bytes, Durability durability = Durability::Ordinary);

// Flushes the folder holding path, so that a file just created or renamed
// there survives a crash. Throws IoError when the folder cannot be flushed.
void SyncFolderOf(const std::string& path);

// Reads the whole file; throws IoError when it cannot.
std::string ReadWholeFile(const std::string& path);

}  // namespace base
