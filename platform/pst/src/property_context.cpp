#include "property_context.h"

#include "bth.h"
#include "layout.h"

#include <pst/error.h>

#include <base/utf.h>

#include <algorithm>

namespace pst {

EncodedNode EncodePropertyContext(std::span<const PropRef> props) {
    EncodedNode node;
    HeapBuilder heap(hn::kClientPropertyContext);
    const uint32_t header = ReserveBthHeader(heap);
    Bytes records(props.size() * pc::kRecordSize);
    Bytes data;  // one value's bytes at a time
    uint32_t nextLarge = 0;
    uint8_t* record = records.data();
    for (const PropRef& v : props) {
        uint32_t ref = 0;
        const std::string* text = v.type == mapi::PropType::Unicode ? std::get_if<std::string>(v.value) : nullptr;
        if (IsInlineType(v.type)) {
            ref = InlineValue(v.type, *v.value);
        } else if (text && 2 * text->size() > kMaxHeapAllocation && 2 * base::Utf16Length(*text) > kMaxHeapAllocation) {
            // (A text has no more UTF-16 units than bytes: most are known
            // short without counting.)
            // A long text goes to its subnode from where it stands, converted
            // as it is written: tens of megabytes of UTF-16 are never held.
            ref = LargeValueNid(nextLarge++);
            node.texts.emplace_back(ref, *text);
        } else {
            data.clear();
            AppendSerialized(data, v.type, *v.value);
            if (data.size() <= kMaxHeapAllocation) {
                ref = heap.Allocate(data);
            } else {
                // Taken, not copied: a large value may be tens of megabytes.
                ref = LargeValueNid(nextLarge++);
                node.subnodes.emplace_back(ref, std::move(data));
                data = Bytes();
            }
        }
        base::Put16(record + pc::kId, v.id);
        base::Put16(record + pc::kType, uint16_t(v.type));
        base::Put32(record + pc::kValue, ref);
        record += pc::kRecordSize;
    }
    BuildBth(heap, header, pc::kKeySize, pc::kEntrySize, records);
    heap.SetRoot(header);
    node.blocks = heap.Finish();
    return node;
}

EncodedNode EncodePropertyContext(const PropMap& props) { return EncodePropertyContext(RefsOf(props)); }

PropMap ReadPropertyContext(const NodeDatabase& db, const NodeEntry& node, const std::vector<uint16_t>* only,
                            Checksums checksums) {
    HeapReader heap(db.ReadDataTree(node.data, checksums), checksums);
    if (heap.ClientSig() != hn::kClientPropertyContext) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: not a property context");
    BthContents bth = ReadBth(heap, heap.Root());
    if (bth.cbKey != pc::kKeySize || bth.cbEnt != pc::kEntrySize) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: property context layout");
    std::map<Nid, SubnodeEntry> subs;
    bool subsLoaded = false;
    ValueBudget budget(db);
    PropMap out;
    for (size_t at = 0; at + pc::kRecordSize <= bth.records.size(); at += pc::kRecordSize) {
        const uint8_t* r = &bth.records[at];
        uint16_t id = base::Get16(r + pc::kId), type = base::Get16(r + pc::kType);
        uint32_t ref = base::Get32(r + pc::kValue);
        if (!IsKnownType(type)) continue;
        if (only && std::find(only->begin(), only->end(), id) == only->end()) continue;
        auto t = mapi::PropType(type);
        if (IsInlineType(t)) {
            out[id] = Deserialize(t, r + pc::kValue, pc::kValueSize);
        } else if (ref == 0) {
            out[id] = Deserialize(t, nullptr, 0);
        } else if (IsHeapId(ref)) {
            auto [p, n] = heap.Get(ref);
            budget.Spend(n);
            out[id] = Deserialize(t, p, n);
        } else {
            if (!subsLoaded) {
                subs = db.ReadSubnodes(node.sub, checksums);
                subsLoaded = true;
            }
            auto it = subs.find(ref);
            if (it == subs.end()) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: missing property value");
            Bytes all;
            for (const auto& b : db.ReadDataTree(it->second.data, checksums)) all.insert(all.end(), b.begin(), b.end());
            budget.Spend(all.size());
            out[id] = Deserialize(t, all.data(), all.size());
        }
    }
    return out;
}

}  // namespace pst
