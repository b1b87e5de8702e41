#include "document_cache.h"

namespace notesapi {

void DocumentCache::MarkRepeated(size_t d) {
    std::lock_guard lock(mutex_);
    if (repeated_.size() <= d) repeated_.resize(d + 1, false);
    repeated_[d] = true;
}

bool DocumentCache::IsRepeated(size_t d) const {
    std::lock_guard lock(mutex_);
    return d < repeated_.size() && repeated_[d];
}

std::shared_ptr<const DocumentItems> DocumentCache::Find(size_t d) {
    std::lock_guard lock(mutex_);
    auto it = byDoc_.find(d);
    if (it == byDoc_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second);
    return it->second->items;
}

void DocumentCache::Keep(size_t d, uint64_t bytes, std::shared_ptr<const DocumentItems> items) {
    if (bytes > kMaxBytes) return;
    std::lock_guard lock(mutex_);
    if (byDoc_.count(d)) return;
    while (bytes_ + bytes > kMaxBytes && !order_.empty()) {
        bytes_ -= order_.back().bytes;
        byDoc_.erase(order_.back().doc);
        order_.pop_back();
    }
    order_.push_front(Entry{d, bytes, std::move(items)});
    byDoc_[d] = order_.begin();
    bytes_ += bytes;
}

}  // namespace notesapi
