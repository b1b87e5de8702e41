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

const std::vector<HTREEITEM>& FolderTreeModel::Children(HTREEITEM parent) const {
    return parent == TVI_ROOT ? topLevel_ : Get(parent).children;
}

HTREEITEM FolderTreeModel::InsertChildFolder(const std::string& name, HTREEITEM parent) {
    for (HTREEITEM child : Children(parent))
        if (Get(child).text == name) return child;
    Node node;
    node.text = name;
    node.parent = parent;
    node.images = ImagesForText(name);
    node.hasChildrenButton = parent == TVI_ROOT;
    HTREEITEM item = nextHandle_++;
    nodes_.emplace(item, std::move(node));
    auto& siblings = parent == TVI_ROOT ? topLevel_ : At(parent).children;
    auto pos = std::upper_bound(siblings.begin(), siblings.end(), name,
                                [&](const std::string& n, HTREEITEM s) { return n < Get(s).text; });
    siblings.insert(pos, item);
    if (onInserted) onInserted(item);
    Expand(item);
    return item;
}

HTREEITEM FolderTreeModel::SelectFolder(const std::string& path, uint32_t viewIndex, FolderStructureList& records) {
    size_t components = size_t(std::count(path.begin(), path.end(), '\\'));
    HTREEITEM parent = TVI_ROOT;
    for (size_t i = 0; i < components; ++i) {
        std::string component = CutFolderPathName(path, i);
        parent = InsertChildFolder(component, parent);
        if (i >= 1) records.addNSFFolderStructure(component, path, parent, viewIndex);
        Expand(parent);
    }
    if (parent != TVI_ROOT) {
        VerifFullParents(parent);
        VerifBoldParents(parent);
        HTREEITEM root = parent;
        while (Get(root).parent != TVI_ROOT) root = Get(root).parent;
        Expand(root);
        Expand(parent);
    }
    return parent;
}

void FolderTreeModel::DeleteAllItems() {
    nodes_.clear();
    topLevel_.clear();
}

int FolderTreeModel::GetCheck(HTREEITEM item) const {
    if (!IsValid(item)) return -1;
    return Get(item).state - 1;
}

void FolderTreeModel::SetItemFull(HTREEITEM item) {
    if (!IsValid(item)) return;
    At(item).state = kChecked;
    Changed(item);
}

void FolderTreeModel::SetItemEmpty(HTREEITEM item) {
    if (!IsValid(item)) return;
    At(item).state = kUnchecked;
    At(item).bold = false;
    Changed(item);
}

void FolderTreeModel::SetSubItemFull(HTREEITEM item) {
    for (HTREEITEM child : Children(item)) {
        SetItemFull(child);
        SetSubItemFull(child);
    }
}

void FolderTreeModel::SetSubItemEmpty(HTREEITEM item) {
    for (HTREEITEM child : Children(item)) {
        SetItemEmpty(child);
        SetSubItemEmpty(child);
    }
}

void FolderTreeModel::ToggleCheck(HTREEITEM item) {
    if (!IsValid(item)) return;
    if (Get(item).state == kUnchecked) {
        SetItemFull(item);
        SetSubItemFull(item);
    } else {
        SetItemEmpty(item);
        SetSubItemEmpty(item);
    }
    VerifFullParents(item);
    VerifBoldParents(item);
}

bool FolderTreeModel::IsAllChildFull(HTREEITEM item) const {
    for (HTREEITEM child : Children(item))
        if (Get(child).state != kChecked) return false;
    return true;
}

bool FolderTreeModel::IsExistChildBold(HTREEITEM item) const {
    for (HTREEITEM child : Children(item))
        if (Get(child).bold) return true;
    return false;
}

void FolderTreeModel::VerifFullParents(HTREEITEM item) {
    for (HTREEITEM p = IsValid(item) ? Get(item).parent : TVI_ROOT; p != TVI_ROOT; p = Get(p).parent) {
        int state = IsAllChildFull(p) ? kChecked : kUnchecked;
        if (Get(p).state != state) {
            At(p).state = state;
            Changed(p);
        }
    }
}

void FolderTreeModel::VerifBoldParents(HTREEITEM item) {
    for (HTREEITEM p = IsValid(item) ? Get(item).parent : TVI_ROOT; p != TVI_ROOT; p = Get(p).parent) {
        bool bold = IsExistChildBold(p);
        if (Get(p).bold != bold) {
            At(p).bold = bold;
            Changed(p);
        }
    }
}

void FolderTreeModel::Expand(HTREEITEM item, bool expand) {
    if (!IsValid(item) || Get(item).expanded == expand) return;
    At(item).expanded = expand;
    Changed(item);
}

void FolderTreeModel::ToggleExpand(HTREEITEM item) {
    if (IsValid(item)) Expand(item, !Get(item).expanded);
}

}  // namespace notes
