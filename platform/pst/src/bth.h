// B-tree-on-heap: sorted fixed-size records (key then data) kept in heap
// allocations, with index levels when one allocation is not enough.
#pragma once

#include "heap.h"

#include <functional>

namespace pst {

// Reserves the tree's header; call it before the heap's other allocations so
// that the header is at kFirstHeapId, where Outlook puts it and where some
// readers look for it.
uint32_t ReserveBthHeader(HeapBuilder& heap);
// records: count records of cbKey + cbEnt bytes each, sorted by key. Builds
// the tree and writes its header into headerHid (from ReserveBthHeader).
void BuildBth(HeapBuilder& heap, uint32_t headerHid, uint8_t cbKey, uint8_t cbEnt, const Bytes& records);

// The levels of a tree over records (recordSize bytes each, key first) at
// level (0 for the leaves): allocates each level and returns the root.
struct BthRoot {
    uint32_t root = 0;
    uint8_t levels = 0;
};
using HeapAllocator = std::function<uint32_t(const uint8_t* data, size_t size)>;
BthRoot BuildBthLevels(const HeapAllocator& allocate, uint8_t cbKey, size_t recordSize, Bytes records, uint8_t level);
void PutBthHeader(uint8_t* header, uint8_t cbKey, uint8_t cbEnt, BthRoot root);  // bth::kSize bytes

struct BthContents {
    uint8_t cbKey = 0;
    uint8_t cbEnt = 0;
    Bytes records;  // key + data, in key order
};
BthContents ReadBth(const HeapReader& heap, uint32_t headerHid);

}  // namespace pst
