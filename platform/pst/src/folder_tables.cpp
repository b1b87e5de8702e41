#include "folder_tables.h"

#include <mapi/tags.h>

#include <array>
#include <initializer_list>
#include <span>
#include <stdexcept>

namespace pst {

namespace {
using namespace mapi;

std::vector<uint32_t> Tags(std::span<const PropTag> tags) {
    std::vector<uint32_t> out;
    out.reserve(tags.size());
    for (const PropTag& t : tags) out.push_back(t.Tag());
    return out;
}
std::vector<uint32_t> Tags(std::initializer_list<PropTag> tags) { return Tags(std::span(tags.begin(), tags.size())); }

template <size_t N>
constexpr size_t ColumnOf(const std::array<PropTag, N>& columns, PropTag tag) {
    for (size_t i = 0; i < N; ++i)
        if (columns[i].Tag() == tag.Tag()) return i;
    throw std::logic_error("tag missing from the column set");
}

// Replication columns stay empty; the readers of the table expect them.
constexpr std::array<PropTag, 9> kHierarchyColumns{
    PidTagDisplayName, PidTagContentCount, PidTagContentUnreadCount, PidTagSubfolders, PidTagContainerClass,
    PidTagReplItemid, PidTagReplChangenum, PidTagReplVersionhistory, PidTagReplFlags};

// The full column set of a contents table; cells this store has no value for stay empty.
constexpr std::array<PropTag, 25> kContentsColumns{
    PidTagImportance, PidTagMessageClass, PidTagSensitivity, PidTagSubject, PidTagClientSubmitTime,
    PidTagSentRepresentingName, PidTagMessageToMe, PidTagMessageCcMe, PidTagConversationTopic,
    PidTagConversationIndex, PidTagDisplayCc, PidTagDisplayTo, PidTagMessageDeliveryTime, PidTagMessageFlags,
    PidTagMessageSize, PidTagMessageStatus, PidTagReplItemid, PidTagReplChangenum, PidTagReplVersionhistory,
    PidTagReplFlags, PidTagReplCopiedfromVersionhistory, PidTagReplCopiedfromItemid, PidTagItemTemporaryFlags,
    PidTagLastModificationTime, PidTagSecureSubmitFlags};

template <class T>
T Value(std::span<const PropRef> p, mapi::PropTag tag, T fallback) {
    const PropRef* found = FindRef(p, tag.id);
    if (!found) return fallback;
    if (auto* v = std::get_if<T>(found->value)) return *v;
    return fallback;
}
}  // namespace

ContentRow ContentRowFrom(Nid nid, const PropMap& props) { return ContentRowFrom(nid, RefsOf(props)); }

ContentRow ContentRowFrom(Nid nid, std::span<const PropRef> props) {
    ContentRow r;
    r.nid = nid;
    r.SetTexts({Value<std::string>(props, PidTagMessageClass, "IPM.Note"), Value<std::string>(props, PidTagSubject, ""),
                Value<std::string>(props, PidTagConversationTopic, ""), Value<std::string>(props, PidTagDisplayTo, ""),
                Value<std::string>(props, PidTagDisplayCc, "")});
    r.flags = Value<int32_t>(props, PidTagMessageFlags, 0);
    r.size = Value<int32_t>(props, PidTagMessageSize, 0);
    r.importance = Value<int32_t>(props, PidTagImportance, 1);
    r.sensitivity = Value<int32_t>(props, PidTagSensitivity, 0);
    r.modified = Value<mapi::FileTime>(props, PidTagLastModificationTime, {}).ticks;
    return r;
}

EncodedNode EncodeHierarchyTable(const std::vector<HierarchyRow>& rows) {
    static const std::vector<uint32_t> cols = Tags(kHierarchyColumns);
    std::vector<TableRow> table;
    table.reserve(rows.size());
    for (const auto& r : rows) {
        TableRow t{r.nid, {r.name, r.contentCount, r.unreadCount, r.hasSubfolders, std::nullopt, std::nullopt,
                           std::nullopt, std::nullopt, std::nullopt}};
        if (!r.containerClass.empty()) t.cells[ColumnOf(kHierarchyColumns, PidTagContainerClass)] = r.containerClass;
        table.push_back(std::move(t));
    }
    return EncodeTable(cols, table);
}

const std::vector<uint32_t>& ContentsColumns() {
    static const std::vector<uint32_t> cols = Tags(kContentsColumns);
    return cols;
}

Nid ContentCells(const ContentRow& r, std::vector<std::optional<mapi::PropertyValue>>& cells) {
    cells.assign(kContentsColumns.size(), std::nullopt);
    auto text = [&](ContentRow::Text t) {
        const std::string_view s = r.Get(t);
        return s.empty() ? std::optional<mapi::PropertyValue>() : std::string(s);
    };
    auto cell = [&](PropTag tag) -> std::optional<PropertyValue>& { return cells[ColumnOf(kContentsColumns, tag)]; };
    cell(PidTagImportance) = r.importance;
    cell(PidTagMessageClass) = std::string(r.Get(ContentRow::kMessageClass));
    cell(PidTagSensitivity) = r.sensitivity;
    cell(PidTagSubject) = text(ContentRow::kSubject);
    cell(PidTagConversationTopic) = text(ContentRow::kConversationTopic);
    cell(PidTagDisplayCc) = text(ContentRow::kDisplayCc);
    cell(PidTagDisplayTo) = text(ContentRow::kDisplayTo);
    cell(PidTagMessageFlags) = r.flags;
    cell(PidTagMessageSize) = r.size;
    cell(PidTagMessageStatus) = int32_t(0);
    cell(PidTagLastModificationTime) = mapi::FileTime{r.modified};
    return r.nid;
}

EncodedNode EncodeContentsTable(const ContentRows& rows) {
    return EncodeTable(ContentsColumns(), rows.size(),
                       [&](size_t i, std::vector<std::optional<mapi::PropertyValue>>& cells) { return ContentCells(rows[i], cells); });
}

EncodedNode EncodeAssocContentsTable() {
    return EncodeTable(Tags({PidTagMessageClass, PidTagMessageFlags, PidTagMessageStatus, PidTagDisplayName, PidTagLtpParentNid}), {});
}

EncodedNode EncodeRecipientTable() {
    return EncodeTable(Tags({PidTagRecipientType, PidTagResponsibility, PidTagRecordKey, PidTagObjectType, PidTagEntryId,
                             PidTagDisplayName, PidTagAddressType, PidTagEmailAddress, PidTagSearchKey, PidTagDisplayType,
                             PidTag7BitDisplayName, PidTagSendRichInfo}),
                       {});
}

const std::vector<uint32_t>& AttachmentColumns() {
    static const std::vector<uint32_t> columns =
        Tags({PidTagAttachSize, PidTagAttachFilename, PidTagAttachMethod, PidTagRenderingPosition});
    return columns;
}

EncodedNode EncodeAttachmentTable(const std::vector<TableRow>& rows) { return EncodeTable(AttachmentColumns(), rows); }

}  // namespace pst
