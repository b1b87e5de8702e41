// A node's content ready to be stored: its heap blocks and its subnodes.
#pragma once

#include "node_database.h"

namespace pst {

struct EncodedNode {
    std::vector<Bytes> blocks;
    std::vector<std::pair<Nid, Bytes>> subnodes;
};

// Writes the node's blocks and subnodes; extra subnodes (already written,
// shared) gain an owner, owned ones (already written for this node alone)
// are taken over. Returns the entry for the node B-tree.
NodeEntry StoreNode(NodeDatabase& db, const EncodedNode& node, Nid parent, const std::vector<SubnodeEntry>& extra = {},
                    const std::vector<SubnodeEntry>& owned = {});

}  // namespace pst
