// Property context: an object's properties in a B-tree-on-heap keyed by
// property id; values over the heap's limit live in subnodes.
#pragma once

#include "encoded_node.h"
#include "layout.h"
#include "prop_value.h"

namespace pst {

EncodedNode EncodePropertyContext(const PropMap& props);
EncodedNode EncodePropertyContext(std::span<const PropRef> props);
// only: when given, the property ids to read; the others (and their large
// values) are left alone.
PropMap ReadPropertyContext(const NodeDatabase& db, const NodeEntry& node, const std::vector<uint16_t>* only = nullptr,
                            Checksums checksums = Checksums::Verify);

// Subnode ids for values too large for a heap, from index 0x20 on (a table's
// rows take index 1).
inline Nid LargeValueNid(uint32_t index) { return (index + 0x20) << nid::kIndexShift | nid::kTypeLtp; }

}  // namespace pst
