// Whole-file reads and writes. A write goes to a temporary file with a
// unique name beside the target and is renamed over it, so a reader sees the
// old content or the complete new one, never a part, and two writers of one
// path never share a temporary file.
#pragma once

#include <functional>
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

// How the new file gets its owner and permission bits.
enum class Attributes {
    // A file this program makes (an output, a store, a profile): it belongs to
    // the user running the program, with the default permissions (0666 less
    // the umask). A file it replaces can only narrow those permissions (a
    // private 0600 file stays private); set-id bits, execute bits and another
    // user's ownership are never taken over.
    Output,
    // The user's own file rewritten in place (a registry hive): the owner,
    // group and every permission bit of the file it replaces are kept, and
    // when the owner or group cannot be kept nothing is replaced
    // (OwnershipError). A new file gets WriteOptions::newFileMode exactly.
    KeepReplaced,
};

struct WriteOptions {
    Durability durability = Durability::Ordinary;
    Attributes attributes = Attributes::Output;
    unsigned newFileMode = 0644;  // KeepReplaced only
};

// The file to be replaced keeps another owner or group than the running user
// could give the new file; nothing was replaced.
class OwnershipError : public IoError {
public:
    using IoError::IoError;
};

// Replaces (or creates) the file at path with bytes, as an Output. A
// symbolic link at path is replaced, not followed. Throws IoError when
// anything fails, leaving the old file as it was and no temporary file behind
// (once the new file is in place, only a failed flush of an OnlyCopy file's
// folder can still throw).
void WriteFileAtomically(const std::string& path, std::string_view bytes, Durability durability = Durability::Ordinary);

// The same for the file `name` in the folder open as `folder` (a descriptor
// opened with O_PATH or O_RDONLY and O_DIRECTORY), so that a caller who has
// checked the way to the folder writes exactly there. `name` is one path
// component; `shownPath` names the file in error messages.
void WriteFileAtomicallyAt(int folder, const std::string& name, std::string_view bytes, const WriteOptions& options,
                           const std::string& shownPath);

// The same for content made piece by piece: produce hands each piece, in
// order, to write, so that a file need not be held whole in memory first.
// What produce throws leaves the old file as it was too.
using ContentProducer = std::function<void(const std::function<void(std::string_view)>& write)>;
void WriteFileAtomically(const std::string& path, const ContentProducer& produce,
                         Durability durability = Durability::Ordinary);
void WriteFileAtomicallyAt(int folder, const std::string& name, const ContentProducer& produce,
                           const WriteOptions& options, const std::string& shownPath);

// True for the name of a temporary file these writes make beside their
// target: what a writer that was killed leaves behind.
bool IsAtomicWriteTemporary(std::string_view name);

// Flushes the folder holding path, so that a file just created or renamed
// there survives a crash. Throws IoError when the folder cannot be flushed.
void SyncFolderOf(const std::string& path);

// Reads the whole file; throws IoError when it cannot.
std::string ReadWholeFile(const std::string& path);

}  // namespace base
