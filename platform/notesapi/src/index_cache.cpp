#include "index_cache.h"

#include "index_store.h"

#include <sys/stat.h>

namespace notesapi {

IndexCache::IndexCache(uint64_t maxBytes, Build build)
    : maxBytes_(maxBytes), build_(build ? std::move(build) : Build([](const std::string& path, auto* out) {
          return IndexStore(IndexStore::DefaultFolder()).Open(path, out);
      })) {}

IndexCache& IndexCache::Process() {
    static IndexCache cache;
    return cache;
}

Failure IndexCache::Open(const std::string& path, std::shared_ptr<const DatabaseIndex>* out) {
    if (auto kept = Find(path)) {
        *out = std::move(kept);
        return std::nullopt;
    }
    std::shared_ptr<const DatabaseIndex> index;
    if (Failure failure = build_(path, &index)) return failure;
    Keep(path, index);
    *out = std::move(index);
    return std::nullopt;
}

std::shared_ptr<const DatabaseIndex> IndexCache::Find(const std::string& path) {
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0) return nullptr;
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path) continue;
        if (!it->index->SameFile(sb)) return nullptr;
        entries_.splice(entries_.begin(), entries_, it);
        return it->index;
    }
    return nullptr;
}

void IndexCache::Keep(const std::string& path, std::shared_ptr<const DatabaseIndex> index) {
    const uint64_t bytes = index->MemoryBytes();
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->path == path) {
            bytes_ -= it->bytes;
            entries_.erase(it);
            break;
        }
    entries_.push_front(Entry{path, bytes, std::move(index)});
    bytes_ += bytes;
    while (bytes_ > maxBytes_ && entries_.size() > 1) {
        bytes_ -= entries_.back().bytes;
        entries_.pop_back();
    }
}

size_t IndexCache::Count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

uint64_t IndexCache::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

Failure OpenIndex(const std::string& path, std::shared_ptr<const DatabaseIndex>* out) {
    return IndexCache::Process().Open(path, out);
}

}  // namespace notesapi
