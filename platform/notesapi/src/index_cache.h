// Indexes of database files kept for the process, so that a session that
// opens a file another session opened takes its index instead of reading
// the file again. Kept by path and checked against the file (see
// DatabaseIndex::SameFile). Bounded by the memory the kept indexes take:
// past the limit the least recently used go, all but the last one kept,
// which a session is about to use. Thread-safe.
#pragma once

#include "index.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace notesapi {

class IndexCache {
public:
    static constexpr uint64_t kMaxBytes = uint64_t(512) << 20;
    using Build = std::function<Failure(const std::string& path, std::shared_ptr<const DatabaseIndex>* out)>;

    explicit IndexCache(uint64_t maxBytes = kMaxBytes, Build build = nullptr);
    IndexCache(const IndexCache&) = delete;
    IndexCache& operator=(const IndexCache&) = delete;

    // The one every LNDatabase opens through.
    static IndexCache& Process();

    // The index of the file at path: the one kept when the file is still
    // the one it was built from, else a new one, built outside the lock (a
    // file may be opened meanwhile) and then kept.
    Failure Open(const std::string& path, std::shared_ptr<const DatabaseIndex>* out);

    // What is kept, for tests.
    size_t Count() const;
    uint64_t Bytes() const;

private:
    struct Entry {
        std::string path;
        uint64_t bytes = 0;
        std::shared_ptr<const DatabaseIndex> index;
    };
    std::shared_ptr<const DatabaseIndex> Find(const std::string& path);
    void Keep(const std::string& path, std::shared_ptr<const DatabaseIndex> index);

    const uint64_t maxBytes_;
    const Build build_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // most recently used first
    uint64_t bytes_ = 0;
};

}  // namespace notesapi
