// The tables every folder keeps (sub-folders, items, associated items) and
// the tables every item and template carries, with their column sets.
#pragma once

#include "layout.h"
#include "table_context.h"

#include <deque>
#include <string>

namespace pst {

inline constexpr Nid kNidRecipientTable = nid::kRecipientTemplate;
inline constexpr Nid kNidAttachmentTable = nid::kAttachmentTemplate;

inline Nid TableNid(Nid folder, uint8_t type) { return (folder & ~nid::kTypeMask) | type; }

// One row of a folder's contents table: what lists show without opening the item.
struct ContentRow {
    Nid nid = 0;
    std::string messageClass;
    std::string subject;
    std::string conversationTopic;
    std::string displayTo;
    std::string displayCc;
    int32_t flags = 0;
    int32_t size = 0;
    int32_t importance = 1;
    int32_t sensitivity = 0;
    int64_t modified = 0;
};
ContentRow ContentRowFrom(Nid nid, const PropMap& props);
// A folder's rows: a folder may hold a million items, and a deque grows by
// pieces, never holding twice its rows while it grows.
using ContentRows = std::deque<ContentRow>;

struct HierarchyRow {
    Nid nid = 0;
    std::string name;
    std::string containerClass;
    int32_t contentCount = 0;
    int32_t unreadCount = 0;
    bool hasSubfolders = false;
};

EncodedNode EncodeHierarchyTable(const std::vector<HierarchyRow>& rows);
EncodedNode EncodeContentsTable(const ContentRows& rows);
EncodedNode EncodeAssocContentsTable();
EncodedNode EncodeRecipientTable();
EncodedNode EncodeAttachmentTable();

}  // namespace pst
