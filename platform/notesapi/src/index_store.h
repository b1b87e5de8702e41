// Indexes kept on disk between runs, so that a program that opens a file it
// opened before, unchanged, reads its index instead of parsing the file.
// One file per database in $XDG_CACHE_HOME/ferrywell (else
// ~/.cache/ferrywell), named from a hash of the database's absolute path,
// private to the user (folder 0700, files 0600), each written whole or not
// at all. An index is used only while its database file has the device,
// inode, size, modification and change times and first and last bytes it
// had when indexed; anything else (another file, damage, another version)
// is ignored and the file indexed again. At most kMaxFiles indexes of
// kMaxBytes together are kept: the least recently written go first.
// Nothing is ever followed through a link. An index that cannot be kept is
// simply not kept.
#pragma once

#include "index.h"

#include <cstdint>
#include <memory>
#include <string>

namespace notesapi {

class IndexStore {
public:
    static constexpr size_t kMaxFiles = 20;
    static constexpr uint64_t kMaxBytes = uint64_t(200) << 20;

    // The store in folder; an empty folder keeps nothing.
    explicit IndexStore(std::string folder) : folder_(std::move(folder)) {}
    // $XDG_CACHE_HOME/ferrywell, else $HOME/.cache/ferrywell.
    static std::string DefaultFolder();

    // The index of the file at path: the one kept for it when the file is
    // unchanged, else built (BuildIndex) and kept.
    Failure Open(const std::string& path, std::shared_ptr<const DatabaseIndex>* out) const;

    // The name of the file kept for the database at the absolute path.
    static std::string FileName(const std::string& absolutePath);

private:
    std::string folder_;
};

}  // namespace notesapi
