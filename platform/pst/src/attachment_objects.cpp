#include "attachment_objects.h"

#include "folder_tables.h"
#include "layout.h"
#include "property_context.h"
#include "table_context.h"

#include <mapi/tags.h>

#include <algorithm>

namespace pst {

namespace {

using mapi::PropType;

Nid AttachmentNid(size_t index) {
    return Nid((nid::kFirstFreeIndex + 1 + index) << nid::kIndexShift) | nid::kTypeAttachment;
}

// A node of the item's subnode tree, with the subnodes of its own large values.
SubnodeEntry StoreSubnode(NodeDatabase& db, Nid nid, const EncodedNode& node) {
    return {nid, db.WriteDataTree(node.blocks), db.WriteSubnodes(WriteLargeValues(db, node))};
}

const mapi::PropertyValue kByValue{mapi::kAttachByValue};
const mapi::PropertyValue kNoPosition{int32_t(-1)};

// The attachment's properties sorted by id, the later of two keys that map
// to one id kept, with the method, position, number and size it must have.
// own holds the values made here.
PropRefs AttachmentRefs(NameMap& names, const mapi::PropertyBag& bag, size_t index,
                        std::array<mapi::PropertyValue, 2>& own) {
    PropRefs p;
    for (const auto& [key, value] : bag.All())
        p.push_back({key.IsNamed() ? names.IdFor(key.Name()) : key.TagId(), key.type, &value});
    std::stable_sort(p.begin(), p.end(), [](const PropRef& a, const PropRef& b) { return a.id < b.id; });
    auto lastOfEach = std::unique(p.rbegin(), p.rend(), [](const PropRef& a, const PropRef& b) { return a.id == b.id; });
    p.erase(p.begin(), lastOfEach.base());
    auto set = [&p](uint16_t id, PropType type, const mapi::PropertyValue* value, bool replace) {
        auto it = std::lower_bound(p.begin(), p.end(), id, [](const PropRef& r, uint16_t want) { return r.id < want; });
        if (it == p.end() || it->id != id) p.insert(it, PropRef{id, type, value});
        else if (replace) *it = PropRef{id, type, value};
    };
    set(mapi::PidTagAttachMethod.id, PropType::Int32, &kByValue, false);
    set(mapi::PidTagRenderingPosition.id, PropType::Int32, &kNoPosition, false);
    own[0] = int32_t(index);
    set(mapi::PidTagAttachNumber.id, PropType::Int32, &own[0], true);
    size_t size = 0;
    for (const PropRef& r : p) size += 8 + (IsInlineType(r.type) ? 0 : SerializedSize(r.type, *r.value));
    own[1] = int32_t(std::min<size_t>(size, 0x7FFFFFFF));
    set(mapi::PidTagAttachSize.id, PropType::Int32, &own[1], true);
    return p;
}

// The cell of the table for a column, from the attachment's properties.
std::optional<mapi::PropertyValue> Cell(const PropRefs& p, uint32_t column) {
    uint16_t id = uint16_t(column >> 16);
    const PropRef* r = FindRef(p, id);
    if (!r && id == mapi::PidTagAttachFilename.id) r = FindRef(p, mapi::PidTagAttachLongFilename.id);
    if (!r || uint16_t(r->type) != uint16_t(column & 0xFFFF)) return std::nullopt;
    return *r->value;
}

}  // namespace

std::vector<SubnodeEntry> StoreAttachments(NodeDatabase& db, NameMap& names,
                                           const std::vector<mapi::PropertyBag>& attachments) {
    std::vector<SubnodeEntry> out;
    if (attachments.empty()) return out;
    std::vector<TableRow> rows;
    for (size_t i = 0; i < attachments.size(); ++i) {
        std::array<mapi::PropertyValue, 2> own;
        const PropRefs p = AttachmentRefs(names, attachments[i], i, own);
        const Nid nid = AttachmentNid(i);
        out.push_back(StoreSubnode(db, nid, EncodePropertyContext(p)));
        TableRow& row = rows.emplace_back();
        row.rowId = nid;
        for (uint32_t column : AttachmentColumns()) row.cells.push_back(Cell(p, column));
    }
    out.push_back(StoreSubnode(db, kNidAttachmentTable, EncodeAttachmentTable(rows)));
    return out;
}

std::vector<mapi::PropertyBag> ReadAttachments(const NodeDatabase& db, const NameMap& names, const NodeEntry& node) {
    std::vector<mapi::PropertyBag> out;
    if (node.sub == 0) return out;
    const std::map<Nid, SubnodeEntry> subs = db.ReadSubnodes(node.sub);
    const auto table = subs.find(kNidAttachmentTable);
    if (table == subs.end()) return out;
    for (const auto& row : ReadTable(db, NodeEntry{table->second.data, table->second.sub, 0}).rows) {
        const auto object = subs.find(row.rowId);
        if (object == subs.end()) continue;
        out.push_back(names.BagOf(ReadPropertyContext(db, NodeEntry{object->second.data, object->second.sub, 0})));
    }
    return out;
}

}  // namespace pst
