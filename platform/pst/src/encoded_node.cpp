#include "encoded_node.h"

namespace pst {

std::vector<SubnodeEntry> WriteLargeValues(NodeDatabase& db, const EncodedNode& node) {
    std::vector<SubnodeEntry> subs;
    for (const auto& [nid, bytes] : node.subnodes) subs.push_back({nid, db.WriteDataTree(bytes), 0});
    for (const auto& [nid, text] : node.texts) subs.push_back({nid, db.WriteTextTree(text), 0});
    return subs;
}

NodeEntry StoreNode(NodeDatabase& db, const EncodedNode& node, Nid parent, const std::vector<SubnodeEntry>& extra,
                    const std::vector<SubnodeEntry>& owned) {
    NodeEntry e;
    e.parent = parent;
    e.data = db.WriteDataTree(node.blocks);
    std::vector<SubnodeEntry> subs = WriteLargeValues(db, node);
    for (const auto& s : extra) {
        db.AddOwner(s.data);
        db.AddOwner(s.sub);
        subs.push_back(s);
    }
    subs.insert(subs.end(), owned.begin(), owned.end());
    e.sub = db.WriteSubnodes(std::move(subs));
    return e;
}

}  // namespace pst
