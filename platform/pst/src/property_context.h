// Property context: an object's properties in a B-tree-on-heap keyed by
// property id; values over the heap's limit live in subnodes.
#pragma once

#include "encoded_node.h"
#include "prop_value.h"

namespace pst {

EncodedNode EncodePropertyContext(const PropMap& props);
PropMap ReadPropertyContext(const NodeDatabase& db, const NodeEntry& node);

// Subnode ids for values too large for a heap: (index << 5) | 0x1F.
inline Nid LargeValueNid(uint32_t index) { return (index + 0x20) << 5 | 0x1F; }

}  // namespace pst
