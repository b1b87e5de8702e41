#include "folder_tables.h"

namespace pst {

namespace {
constexpr uint32_t kImportance = 0x00170003, kMessageClass = 0x001A001F, kSensitivity = 0x00360003,
                   kSubject = 0x0037001F, kMessageFlags = 0x0E070003, kMessageSize = 0x0E080003,
                   kMessageStatus = 0x0E170003, kLastModified = 0x30080040;
constexpr uint32_t kDisplayName = 0x3001001F, kContentCount = 0x36020003, kUnreadCount = 0x36030003,
                   kSubfolders = 0x360A000B, kContainerClass = 0x3613001F;

template <class T>
T Value(const PropMap& p, uint32_t tag, T fallback) {
    auto it = p.find(uint16_t(tag >> 16));
    if (it == p.end()) return fallback;
    if (auto* v = std::get_if<T>(&it->second.value)) return *v;
    return fallback;
}
}  // namespace

ContentRow ContentRowFrom(Nid nid, const PropMap& props) {
    ContentRow r;
    r.nid = nid;
    r.messageClass = Value<std::string>(props, kMessageClass, "IPM.Note");
    r.subject = Value<std::string>(props, kSubject, "");
    r.flags = Value<int32_t>(props, kMessageFlags, 0);
    r.size = Value<int32_t>(props, kMessageSize, 0);
    r.importance = Value<int32_t>(props, kImportance, 1);
    r.sensitivity = Value<int32_t>(props, kSensitivity, 0);
    r.modified = Value<mapi::FileTime>(props, kLastModified, {}).ticks;
    return r;
}

EncodedNode EncodeHierarchyTable(const std::vector<HierarchyRow>& rows) {
    std::vector<uint32_t> cols{kDisplayName, kContentCount, kUnreadCount, kSubfolders, kContainerClass};
    std::vector<TableRow> table;
    table.reserve(rows.size());
    for (const auto& r : rows) {
        TableRow t{r.nid, {r.name, r.contentCount, r.unreadCount, r.hasSubfolders, std::nullopt}};
        if (!r.containerClass.empty()) t.cells[4] = r.containerClass;
        table.push_back(std::move(t));
    }
    return EncodeTable(cols, table);
}

EncodedNode EncodeContentsTable(const std::vector<ContentRow>& rows) {
    std::vector<uint32_t> cols{kImportance, kMessageClass, kSensitivity, kSubject,
                               kMessageFlags, kMessageSize, kMessageStatus, kLastModified};
    return EncodeTable(cols, rows.size(), [&](size_t i, std::vector<std::optional<mapi::PropertyValue>>& cells) {
        const ContentRow& r = rows[i];
        cells = {r.importance, r.messageClass, r.sensitivity, std::nullopt, r.flags, r.size, int32_t(0), mapi::FileTime{r.modified}};
        if (!r.subject.empty()) cells[3] = r.subject;
        return r.nid;
    });
}

EncodedNode EncodeAssocContentsTable() {
    return EncodeTable({kMessageClass, kSubject, kMessageFlags, kMessageSize, kLastModified}, {});
}

EncodedNode EncodeRecipientTable() {
    return EncodeTable({0x0C150003, 0x0E0F000B, 0x0FF90102, 0x0FFE0003, 0x0FFF0102, 0x3001001F, 0x3002001F,
                        0x3003001F, 0x300B0102, 0x39000003, 0x39FF001F, 0x3A40000B},
                       {});
}

EncodedNode EncodeAttachmentTable() {
    return EncodeTable({0x0E200003, 0x3704001F, 0x37050003, 0x370B0003}, {});
}

}  // namespace pst
