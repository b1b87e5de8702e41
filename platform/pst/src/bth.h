// B-tree-on-heap: sorted fixed-size records (key then data) kept in heap
// allocations, with index levels when one allocation is not enough.
#pragma once

#include "heap.h"

namespace pst {

// records: count records of cbKey + cbEnt bytes each, sorted by key.
// Returns the heap id of the tree's header.
uint32_t BuildBth(HeapBuilder& heap, uint8_t cbKey, uint8_t cbEnt, const Bytes& records);

struct BthContents {
    uint8_t cbKey = 0;
    uint8_t cbEnt = 0;
    Bytes records;  // key + data, in key order
};
BthContents ReadBth(const HeapReader& heap, uint32_t headerHid);

}  // namespace pst
