#include <notes/tree_model.h>

#include <algorithm>
#include <cctype>

namespace notes {

TreeImages ImagesForText(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    struct Named {
        const char* text;
        int image;
    };
    static const Named kNamed[] = {{"INBOX", 0}, {"SENT", 1},  {"DRAFTS", 2},   {"ALL", 3},       {"TRASH", 4},
                                   {"LOTUS NOTES", 7}, {"CONTACT", 8}, {"CALENDAR", 9}, {"ALARMS", 9}};
    for (const auto& n : kNamed)
        if (upper == n.text) return {n.image, n.image};
    return {5, 6};
}

std::string FolderTreeModel::CutFolderPathName(const std::string& path, size_t n) {
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
        size_t slash = path.find('\\', start);
        if (slash == std::string::npos) return {};
        start = slash + 1;
    }
    size_t end = path.find('\\', start);
    return path.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

const std::vector<TreeNodeId>& FolderTreeModel::Children(TreeNodeId parent) const {
    return parent == kTreeRoot ? topLevel_ : Get(parent).children;
}

TreeNodeId FolderTreeModel::InsertChildFolder(const std::string& name, TreeNodeId parent) {
    for (TreeNodeId child : Children(parent))
        if (Get(child).text == name) return child;
    Node node;
    node.text = name;
    node.parent = parent;
    node.images = ImagesForText(name);
    node.hasChildrenButton = parent == kTreeRoot;
    TreeNodeId item = nextHandle_++;
    nodes_.emplace(item, std::move(node));
    auto& siblings = parent == kTreeRoot ? topLevel_ : At(parent).children;
    auto pos = std::upper_bound(siblings.begin(), siblings.end(), name,
                                [&](const std::string& n, TreeNodeId s) { return n < Get(s).text; });
    siblings.insert(pos, item);
    if (onInserted) onInserted(item);
    Expand(item);
    return item;
}

TreeNodeId FolderTreeModel::SelectFolder(const std::string& path, uint32_t viewIndex, FolderStructureList& records) {
    size_t components = size_t(std::count(path.begin(), path.end(), '\\'));
    TreeNodeId parent = kTreeRoot;
    for (size_t i = 0; i < components; ++i) {
        std::string component = CutFolderPathName(path, i);
        parent = InsertChildFolder(component, parent);
        if (i >= 1) records.Append(component, path, parent, viewIndex);
        Expand(parent);
    }
    if (parent != kTreeRoot) {
        UpdateParentChecks(parent);
        UpdateParentBold(parent);
        TreeNodeId root = parent;
        while (Get(root).parent != kTreeRoot) root = Get(root).parent;
        Expand(root);
        Expand(parent);
    }
    return parent;
}

void FolderTreeModel::DeleteAllItems() {
    nodes_.clear();
    topLevel_.clear();
}

int FolderTreeModel::GetCheck(TreeNodeId item) const {
    if (!IsValid(item)) return -1;
    return Get(item).state - 1;
}

void FolderTreeModel::Check(TreeNodeId item) {
    if (!IsValid(item)) return;
    At(item).state = kChecked;
    Changed(item);
}

void FolderTreeModel::Uncheck(TreeNodeId item) {
    if (!IsValid(item)) return;
    At(item).state = kUnchecked;
    At(item).bold = false;
    Changed(item);
}

void FolderTreeModel::CheckDescendants(TreeNodeId item) {
    for (TreeNodeId child : Children(item)) {
        Check(child);
        CheckDescendants(child);
    }
}

void FolderTreeModel::UncheckDescendants(TreeNodeId item) {
    for (TreeNodeId child : Children(item)) {
        Uncheck(child);
        UncheckDescendants(child);
    }
}

void FolderTreeModel::ToggleCheck(TreeNodeId item) {
    if (!IsValid(item)) return;
    if (Get(item).state == kUnchecked) {
        Check(item);
        CheckDescendants(item);
    } else {
        Uncheck(item);
        UncheckDescendants(item);
    }
    UpdateParentChecks(item);
    UpdateParentBold(item);
}

bool FolderTreeModel::AllChildrenChecked(TreeNodeId item) const {
    for (TreeNodeId child : Children(item))
        if (Get(child).state != kChecked) return false;
    return true;
}

bool FolderTreeModel::AnyChildBold(TreeNodeId item) const {
    for (TreeNodeId child : Children(item))
        if (Get(child).bold) return true;
    return false;
}

void FolderTreeModel::UpdateParentChecks(TreeNodeId item) {
    for (TreeNodeId p = IsValid(item) ? Get(item).parent : kTreeRoot; p != kTreeRoot; p = Get(p).parent) {
        int state = AllChildrenChecked(p) ? kChecked : kUnchecked;
        if (Get(p).state != state) {
            At(p).state = state;
            Changed(p);
        }
    }
}

void FolderTreeModel::UpdateParentBold(TreeNodeId item) {
    for (TreeNodeId p = IsValid(item) ? Get(item).parent : kTreeRoot; p != kTreeRoot; p = Get(p).parent) {
        bool bold = AnyChildBold(p);
        if (Get(p).bold != bold) {
            At(p).bold = bold;
            Changed(p);
        }
    }
}

void FolderTreeModel::Expand(TreeNodeId item, bool expand) {
    if (!IsValid(item) || Get(item).expanded == expand) return;
    At(item).expanded = expand;
    Changed(item);
}

void FolderTreeModel::ToggleExpand(TreeNodeId item) {
    if (IsValid(item)) Expand(item, !Get(item).expanded);
}

}  // namespace notes
