#include <notes/folder_structure.h>

namespace notes {

FolderStructureList::~FolderStructureList() { Clear(); }

void FolderStructureList::Append(const std::string& name, const std::string& path, TreeNodeId treeItem,
                                 uint32_t viewIndex) {
    auto record = std::make_unique<FolderRecordNode>();
    record->folderName = name;
    record->folderPath = path;
    record->treeItem = treeItem;
    record->viewIndex = viewIndex;
    std::lock_guard lock(mutex_);
    std::unique_ptr<FolderRecordNode>* tail = &head_;
    while (*tail) tail = &(*tail)->next;
    *tail = std::move(record);
}

int FolderStructureList::HasNode(TreeNodeId item) const {
    std::lock_guard lock(mutex_);
    for (auto* r = head_.get(); r; r = r->next.get())
        if (r->treeItem == item) return 1;
    return 0;
}

void FolderStructureList::Clear() {
    std::lock_guard lock(mutex_);
    // Unlink one record at a time so a long list never recurses deeply.
    while (head_) head_ = std::move(head_->next);
}

bool FolderStructureList::Empty() const {
    std::lock_guard lock(mutex_);
    return !head_;
}

std::vector<FolderRecord> FolderStructureList::Snapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<FolderRecord> out;
    for (auto* r = head_.get(); r; r = r->next.get())
        out.push_back({r->folderName, r->folderPath, r->treeItem, r->viewIndex});
    return out;
}

}  // namespace notes
