// The tables every folder keeps (sub-folders, items, associated items) and
// the tables every item and template carries, with their column sets.
#pragma once

#include "layout.h"
#include "table_context.h"

#include <array>
#include <deque>
#include <string>
#include <string_view>

namespace pst {

inline constexpr Nid kNidRecipientTable = nid::kRecipientTemplate;
inline constexpr Nid kNidAttachmentTable = nid::kAttachmentTemplate;

inline Nid TableNid(Nid folder, uint8_t type) { return (folder & ~nid::kTypeMask) | type; }

// One row of a folder's contents table: what lists show without opening the
// item. A folder may hold a million rows, so a row keeps its texts in one
// string.
struct ContentRow {
    enum Text { kMessageClass, kSubject, kConversationTopic, kDisplayTo, kDisplayCc, kTextCount };

    Nid nid = 0;
    int32_t flags = 0;
    int32_t size = 0;
    int32_t importance = 1;
    int32_t sensitivity = 0;
    int64_t modified = 0;

    std::string_view Get(Text t) const {
        const uint32_t begin = t == 0 ? 0 : ends_[t - 1];
        return std::string_view(texts_).substr(begin, ends_[t] - begin);
    }
    // The texts in the order of Text.
    void SetTexts(const std::array<std::string, kTextCount>& texts) {
        texts_.clear();
        for (size_t i = 0; i < kTextCount; ++i) {
            texts_ += texts[i];
            ends_[i] = uint32_t(texts_.size());
        }
        texts_.shrink_to_fit();
    }

private:
    std::string texts_;
    std::array<uint32_t, kTextCount> ends_{};
};
ContentRow ContentRowFrom(Nid nid, const PropMap& props);
ContentRow ContentRowFrom(Nid nid, std::span<const PropRef> props);
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
// The contents table's columns, and a row's cells in them; returns the row id.
const std::vector<uint32_t>& ContentsColumns();
Nid ContentCells(const ContentRow& row, std::vector<std::optional<mapi::PropertyValue>>& cells);
EncodedNode EncodeAssocContentsTable();
EncodedNode EncodeRecipientTable();
// An item's attachment table, one row an attachment: its row id the
// attachment's subnode, its cells in the order of AttachmentColumns().
const std::vector<uint32_t>& AttachmentColumns();
EncodedNode EncodeAttachmentTable(const std::vector<TableRow>& rows = {});

}  // namespace pst
