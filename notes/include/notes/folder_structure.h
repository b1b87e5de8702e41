// The folder records: one per tree node that stands for a view of the open
// database, in the order the views were met. The program's only map from
// tree nodes to views.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace notes {

// A tree node handle; 0 is no node.
using TreeNodeId = uint32_t;

struct FolderRecordNode {
    std::string folderName;  // "People", "Contacts" or "By Category"
    std::string folderPath;  // whole tree path with trailing backslash
    TreeNodeId treeItem = 0;
    uint32_t viewIndex = 0;
    std::unique_ptr<FolderRecordNode> next;
};

// A plain copy of one record, for readers on other threads.
struct FolderRecord {
    std::string folderName;
    std::string folderPath;
    TreeNodeId treeItem = 0;
    uint32_t viewIndex = 0;
};

// The linked list of records with its head; safe to read on one thread while
// another appends.
class FolderStructureList {
public:
    FolderStructureList() = default;
    ~FolderStructureList();
    FolderStructureList(const FolderStructureList&) = delete;
    FolderStructureList& operator=(const FolderStructureList&) = delete;

    // Appends a record with copies of name and path at the tail.
    void Append(const std::string& name, const std::string& path, TreeNodeId treeItem, uint32_t viewIndex);
    // 1 when some record's treeItem is item, else 0.
    int HasNode(TreeNodeId item) const;
    // Discards every record; the head becomes null.
    void Clear();
    bool Empty() const;
    // The records in list order.
    std::vector<FolderRecord> Snapshot() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<FolderRecordNode> head_;
};

}  // namespace notes
