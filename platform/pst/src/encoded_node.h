// A node's content ready to be stored: its heap blocks and its subnodes.
#pragma once

#include "node_database.h"

namespace pst {

struct EncodedNode {
    std::vector<Bytes> blocks;
    std::vector<std::pair<Nid, Bytes>> subnodes;
    // Large text values, stored in subnodes as UTF-16LE when the node is
    // written: views of the values encoded, which must outlive the node.
    std::vector<std::pair<Nid, std::string_view>> texts;
};

// Writes the subnodes of the node's large values.
std::vector<SubnodeEntry> WriteLargeValues(NodeDatabase& db, const EncodedNode& node);

// Writes the node's blocks and subnodes; extra subnodes (already written,
// shared) gain an owner, owned ones (already written for this node alone)
// are taken over. Returns the entry for the node B-tree.
NodeEntry StoreNode(NodeDatabase& db, const EncodedNode& node, Nid parent, const std::vector<SubnodeEntry>& extra = {},
                    const std::vector<SubnodeEntry>& owned = {});

}  // namespace pst
