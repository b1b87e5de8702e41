#include "folder_tables.h"

namespace pst {

namespace {
constexpr uint32_t kImportance = 0x00170003, kMessageClass = 0x001A001F, kSensitivity = 0x00360003,
                   kSubject = 0x0037001F, kClientSubmitTime = 0x00390040, kSentRepresentingName = 0x0042001F,
                   kMessageToMe = 0x0057000B, kMessageCcMe = 0x0058000B, kConversationTopic = 0x0070001F,
                   kConversationIndex = 0x00710102, kDisplayCc = 0x0E03001F, kDisplayTo = 0x0E04001F,
                   kDeliveryTime = 0x0E060040, kMessageFlags = 0x0E070003, kMessageSize = 0x0E080003,
                   kMessageStatus = 0x0E170003, kReplItemId = 0x0E300003, kReplChangeNum = 0x0E330014,
                   kReplVersionHistory = 0x0E340102, kReplFlags = 0x0E380003, kReplCopiedFromVersion = 0x0E3C0102,
                   kReplCopiedFromItem = 0x0E3D0102, kItemTemporaryFlags = 0x10970003, kLastModified = 0x30080040,
                   kSecureSubmitFlags = 0x65C60003;
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
    r.conversationTopic = Value<std::string>(props, kConversationTopic, "");
    r.displayTo = Value<std::string>(props, kDisplayTo, "");
    r.displayCc = Value<std::string>(props, kDisplayCc, "");
    r.flags = Value<int32_t>(props, kMessageFlags, 0);
    r.size = Value<int32_t>(props, kMessageSize, 0);
    r.importance = Value<int32_t>(props, kImportance, 1);
    r.sensitivity = Value<int32_t>(props, kSensitivity, 0);
    r.modified = Value<mapi::FileTime>(props, kLastModified, {}).ticks;
    return r;
}

EncodedNode EncodeHierarchyTable(const std::vector<HierarchyRow>& rows) {
    // Replication columns stay empty; the readers of the table expect them.
    std::vector<uint32_t> cols{kDisplayName, kContentCount, kUnreadCount, kSubfolders, kContainerClass,
                               kReplItemId, kReplChangeNum, kReplVersionHistory, kReplFlags};
    std::vector<TableRow> table;
    table.reserve(rows.size());
    for (const auto& r : rows) {
        TableRow t{r.nid, {r.name, r.contentCount, r.unreadCount, r.hasSubfolders, std::nullopt, std::nullopt,
                           std::nullopt, std::nullopt, std::nullopt}};
        if (!r.containerClass.empty()) t.cells[4] = r.containerClass;
        table.push_back(std::move(t));
    }
    return EncodeTable(cols, table);
}

EncodedNode EncodeContentsTable(const std::vector<ContentRow>& rows) {
    // The full column set of a contents table; cells this store has no value for stay empty.
    static const std::vector<uint32_t> cols{
        kImportance, kMessageClass, kSensitivity, kSubject, kClientSubmitTime, kSentRepresentingName,
        kMessageToMe, kMessageCcMe, kConversationTopic, kConversationIndex, kDisplayCc, kDisplayTo,
        kDeliveryTime, kMessageFlags, kMessageSize, kMessageStatus, kReplItemId, kReplChangeNum,
        kReplVersionHistory, kReplFlags, kReplCopiedFromVersion, kReplCopiedFromItem, kItemTemporaryFlags,
        kLastModified, kSecureSubmitFlags};
    return EncodeTable(cols, rows.size(), [&](size_t i, std::vector<std::optional<mapi::PropertyValue>>& cells) {
        const ContentRow& r = rows[i];
        auto text = [](const std::string& s) { return s.empty() ? std::optional<mapi::PropertyValue>() : s; };
        cells[0] = r.importance;
        cells[1] = r.messageClass;
        cells[2] = r.sensitivity;
        cells[3] = text(r.subject);
        cells[8] = text(r.conversationTopic);
        cells[10] = text(r.displayCc);
        cells[11] = text(r.displayTo);
        cells[13] = r.flags;
        cells[14] = r.size;
        cells[15] = int32_t(0);
        cells[23] = mapi::FileTime{r.modified};
        return r.nid;
    });
}

EncodedNode EncodeAssocContentsTable() {
    return EncodeTable({kMessageClass, kMessageFlags, kMessageStatus, kDisplayName, 0x67F10003 /* parent node */}, {});
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
