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
inline constexpr TreeNodeId kTreeRoot = 0;

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
        TreeNodeId parent = kTreeRoot;
        std::vector<TreeNodeId> children;
        int state = kUnchecked;
        bool bold = false;
        bool expanded = false;
        bool hasChildrenButton = false;
        TreeImages images{5, 6};
    };

    // Called after a node was inserted, and after a node's state, bold or
    // expansion changed; the widget updates its own item.
    std::function<void(TreeNodeId)> onInserted;
    std::function<void(TreeNodeId)> onChanged;

    // Creates the nodes of path ("Lotus Notes\People\"): the root component
    // once, then each component below it, registering every node below the
    // root in records with viewIndex. Returns the last node.
    TreeNodeId SelectFolder(const std::string& path, uint32_t viewIndex, FolderStructureList& records);
    // The child of parent whose text is name (exact), inserted sorted if missing.
    TreeNodeId InsertChildFolder(const std::string& name, TreeNodeId parent);
    void DeleteAllItems();

    // 1 full, 0 empty, -1 no check box.
    int GetCheck(TreeNodeId item) const;
    void Check(TreeNodeId item);
    void Uncheck(TreeNodeId item);  // and clears its bold
    void CheckDescendants(TreeNodeId item);
    void UncheckDescendants(TreeNodeId item);
    // A click on the node's check box: tick or untick it with every
    // descendant, then apply the parent rules.
    void ToggleCheck(TreeNodeId item);
    // Every ancestor is ticked exactly when all its children are.
    void UpdateParentChecks(TreeNodeId item);
    // Every ancestor is bold exactly when one of its children is.
    void UpdateParentBold(TreeNodeId item);
    void Expand(TreeNodeId item, bool expand = true);
    void ToggleExpand(TreeNodeId item);

    const Node& Get(TreeNodeId item) const { return nodes_.at(item); }
    bool IsValid(TreeNodeId item) const { return nodes_.count(item) != 0; }
    const std::vector<TreeNodeId>& Children(TreeNodeId parent) const;
    // Nth component of a backslash path (text between the nth and n+1th backslash).
    static std::string CutFolderPathName(const std::string& path, size_t n);

private:
    Node& At(TreeNodeId item) { return nodes_.at(item); }
    void Changed(TreeNodeId item) {
        if (onChanged) onChanged(item);
    }
    bool AllChildrenChecked(TreeNodeId item) const;
    bool AnyChildBold(TreeNodeId item) const;

    // Handles are never reused, so a handle kept from an earlier tree finds
    // no node of a later one.
    std::map<TreeNodeId, Node> nodes_;
    TreeNodeId nextHandle_ = 1;
    std::vector<TreeNodeId> topLevel_;
};

}  // namespace notes
