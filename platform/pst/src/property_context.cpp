#include "property_context.h"

#include "bth.h"
#include "layout.h"

#include <pst/error.h>

namespace pst {

EncodedNode EncodePropertyContext(const PropMap& props) {
    EncodedNode node;
    HeapBuilder heap(hn::kClientPropertyContext);
    const uint32_t header = ReserveBthHeader(heap);
    Bytes records;
    uint32_t nextLarge = 0;
    for (const auto& [id, v] : props) {
        Bytes data = Serialize(v);
        uint32_t ref = 0;
        if (IsInlineType(v.type)) {
            data.resize(4, 0);
            ref = Get32(data.data());
        } else if (data.size() <= kMaxHeapAllocation) {
            ref = heap.Allocate(data);
        } else {
            ref = LargeValueNid(nextLarge++);
            node.subnodes.emplace_back(ref, std::move(data));
        }
        Append16(records, id);
        Append16(records, uint16_t(v.type));
        Append32(records, ref);
    }
    BuildBth(heap, header, 2, 6, records);
    heap.SetRoot(header);
    node.blocks = heap.Finish();
    return node;
}

PropMap ReadPropertyContext(const NodeDatabase& db, const NodeEntry& node) {
    HeapReader heap(db.ReadDataTree(node.data));
    if (heap.ClientSig() != hn::kClientPropertyContext) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: not a property context");
    BthContents bth = ReadBth(heap, heap.Root());
    if (bth.cbKey != 2 || bth.cbEnt != 6) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: property context layout");
    std::map<Nid, SubnodeEntry> subs;
    bool subsLoaded = false;
    ValueBudget budget(db);
    PropMap out;
    for (size_t at = 0; at + 8 <= bth.records.size(); at += 8) {
        const uint8_t* r = &bth.records[at];
        uint16_t id = Get16(r), type = Get16(r + 2);
        uint32_t ref = Get32(r + 4);
        if (!IsKnownType(type)) continue;
        auto t = mapi::PropType(type);
        if (IsInlineType(t)) {
            out[id] = Deserialize(t, r + 4, 4);
        } else if (ref == 0) {
            out[id] = Deserialize(t, nullptr, 0);
        } else if ((ref & 0x1F) == 0) {
            auto [p, n] = heap.Get(ref);
            budget.Spend(n);
            out[id] = Deserialize(t, p, n);
        } else {
            if (!subsLoaded) {
                subs = db.ReadSubnodes(node.sub);
                subsLoaded = true;
            }
            auto it = subs.find(ref);
            if (it == subs.end()) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: missing property value");
            Bytes all;
            for (const auto& b : db.ReadDataTree(it->second.data)) all.insert(all.end(), b.begin(), b.end());
            budget.Spend(all.size());
            out[id] = Deserialize(t, all.data(), all.size());
        }
    }
    return out;
}

}  // namespace pst
