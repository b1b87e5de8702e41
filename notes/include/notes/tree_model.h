// The folder tree's nodes and their rules, without any widget: nodes added by
// backslash paths, check states (1 empty, 2 full) with the parent rules, the
// bold attribute and the image index by node text. The tree widget mirrors
// this model.
#pragma once

#include <notes/folder_structure.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace notes {

// The invisible parent of top-level nodes.
inline constexpr HTREEITEM TVI_ROOT = 0;

enum CheckState { kNoCheck = 0, kUnchecked = 1, kChecked = 2 };

struct TreeImages {
    int normal;
    int selected;
};

// Image indices for a node text, compared in upper case.
TreeImages ImagesForText(const std::string& text);

class FolderTreeModel {
public:
    struct Node {
        std::string text;
        HTREEITEM parent = TVI_ROOT;
        std::vector<HTREEITEM> children;
        int state = kUnchecked;
        bool bold = false;
        bool expanded = false;
        bool hasChildrenButton = false;
        TreeImages images{5, 6};
    };

    // Called after a node was inserted, and after a node's state, bold or
    // expansion changed; the widget updates its own item.
    std::function<void(HTREEITEM)> onInserted;
    std::function<void(HTREEITEM)> onChanged;

    // Creates the nodes of path ("Lotus Notes\People\"): the root component
    // once, then each component below it, registering every node below the
    // root in records with viewIndex. Returns the last node.
    HTREEITEM SelectFolder(const std::string& path, uint32_t viewIndex, FolderStructureList& records);
    // The child of parent whose text is name (exact), inserted sorted if missing.
    HTREEITEM InsertChildFolder(const std::string& name, HTREEITEM parent);
    void DeleteAllItems();

    // 1 full, 0 empty, -1 no check box.
    int GetCheck(HTREEITEM item) const;
    void SetItemFull(HTREEITEM item);
    void SetItemEmpty(HTREEITEM item);
    void SetSubItemFull(HTREEITEM item);
    void SetSubItemEmpty(HTREEITEM item);
    // A click on the node's check box: tick or untick it with every
    // descendant, then apply the parent rules.
    void ToggleCheck(HTREEITEM item);
    void VerifFullParents(HTREEITEM item);
    void VerifBoldParents(HTREEITEM item);
    void Expand(HTREEITEM item, bool expand = true);
    void ToggleExpand(HTREEITEM item);

    const Node& Get(HTREEITEM item) const { return nodes_.at(item); }
    bool IsValid(HTREEITEM item) const { return nodes_.count(item) != 0; }
    const std::vector<HTREEITEM>& Children(HTREEITEM parent) const;
    // Nth component of a backslash path (text between the nth and n+1th backslash).
    static std::string CutFolderPathName(const std::string& path, size_t n);

private:
    Node& At(HTREEITEM item) { return nodes_.at(item); }
    void Changed(HTREEITEM item) {
        if (onChanged) onChanged(item);
    }
    bool IsAllChildFull(HTREEITEM item) const;
    bool IsExistChildBold(HTREEITEM item) const;

    // Handles are never reused, so a handle kept from an earlier tree finds
    // no node of a later one.
    std::map<HTREEITEM, Node> nodes_;
    HTREEITEM nextHandle_ = 1;
    std::vector<HTREEITEM> topLevel_;
};

}  // namespace notes
