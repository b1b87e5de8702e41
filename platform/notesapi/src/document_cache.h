// The parsed items of documents that a view lists more than once (a document
// under several categories), kept so that walking the view reads each such
// document from the file once instead of once per entry. Bounded by the size
// of the documents in the file; the least recently used goes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace notesapi {

struct DocumentItems;

class DocumentCache {
public:
    static constexpr uint64_t kMaxBytes = 16 * 1024 * 1024;

    // Marks document d as one that is worth keeping.
    void MarkRepeated(size_t d);
    bool IsRepeated(size_t d) const;
    std::shared_ptr<const DocumentItems> Find(size_t d);
    // Keeps items of document d, whose text in the file is bytes long.
    void Keep(size_t d, uint64_t bytes, std::shared_ptr<const DocumentItems> items);

private:
    struct Entry {
        size_t doc;
        uint64_t bytes;
        std::shared_ptr<const DocumentItems> items;
    };
    mutable std::mutex mutex_;
    std::vector<bool> repeated_;
    std::list<Entry> order_;  // most recently used first
    std::unordered_map<size_t, std::list<Entry>::iterator> byDoc_;
    uint64_t bytes_ = 0;
};

}  // namespace notesapi
