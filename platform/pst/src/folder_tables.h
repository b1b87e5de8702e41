// The tables every folder keeps (sub-folders, items, associated items) and
// the tables every item and template carries, with their column sets.
#pragma once

#include "layout.h"
#include "table_context.h"

#include <string>

namespace pst {

inline constexpr uint8_t kNidTypeFolder = 0x02;
inline constexpr uint8_t kNidTypeMessage = 0x04;
inline constexpr uint8_t kNidTypeHierarchy = 0x0D;
inline constexpr uint8_t kNidTypeContents = 0x0E;
inline constexpr uint8_t kNidTypeAssocContents = 0x0F;
inline constexpr Nid kNidRecipientTable = nid::kRecipientTemplate;
inline constexpr Nid kNidAttachmentTable = nid::kAttachmentTemplate;

inline Nid TableNid(Nid folder, uint8_t type) { return (folder & ~Nid(0x1F)) | type; }

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

struct HierarchyRow {
    Nid nid = 0;
    std::string name;
    std::string containerClass;
    int32_t contentCount = 0;
    int32_t unreadCount = 0;
    bool hasSubfolders = false;
};

EncodedNode EncodeHierarchyTable(const std::vector<HierarchyRow>& rows);
EncodedNode EncodeContentsTable(const std::vector<ContentRow>& rows);
EncodedNode EncodeAssocContentsTable();
EncodedNode EncodeRecipientTable();
EncodedNode EncodeAttachmentTable();

}  // namespace pst
