// B-tree-on-heap: sorted fixed-size records (key then data) kept in heap
// allocations, with index levels when one allocation is not enough.
#pragma once

#include "heap.h"

namespace pst {

// Reserves the tree's header; call it before the heap's other allocations so
// that the header is at kFirstHeapId, where Outlook puts it and where some
// readers look for it.
uint32_t ReserveBthHeader(HeapBuilder& heap);
// records: count records of cbKey + cbEnt bytes each, sorted by key. Builds
// the tree and writes its header into headerHid (from ReserveBthHeader).
void BuildBth(HeapBuilder& heap, uint32_t headerHid, uint8_t cbKey, uint8_t cbEnt, const Bytes& records);

struct BthContents {
    uint8_t cbKey = 0;
    uint8_t cbEnt = 0;
    Bytes records;  // key + data, in key order
};
BthContents ReadBth(const HeapReader& heap, uint32_t headerHid);

}  // namespace pst
