// The folder tree of the main window: a tree with check boxes over the
// folder tree model. A click on a check box ticks or unticks the node with
// its descendants; a click elsewhere on a node selects it and opens or
// closes it; a click on the expand button only opens or closes it. From the
// keyboard, moving to a node selects it and Space ticks or unticks it;
// assistive tools get both as actions of each node.
#pragma once

#include <notes/tree_model.h>

#include <QTreeWidget>

#include <unordered_map>

namespace controls {

class CFolderTreeCtrl1 : public QTreeWidget {
    Q_OBJECT
public:
    explicit CFolderTreeCtrl1(QWidget* parent = nullptr);

    // Prepares the images; called once by the main window.
    void Init();
    // Adds the nodes of path and registers every node below the root.
    notes::TreeNodeId SelectFolder(const std::string& path, uint32_t viewIndex, notes::FolderStructureList& records);
    // 1 ticked, 0 not ticked, -1 no such node.
    int GetCheck(notes::TreeNodeId item) const { return model_.GetCheck(item); }
    void DeleteAllItems();
    const notes::FolderTreeModel& Model() const { return model_; }

    QTreeWidgetItem* ItemFor(notes::TreeNodeId handle) const;
    notes::TreeNodeId HandleOf(const QTreeWidgetItem* item) const;
    // Selects the node as a click on its text would, without toggling it.
    void SelectItem(notes::TreeNodeId handle);
    // Ticks or unticks the node with its descendants, as a click on its box does.
    void ToggleCheck(notes::TreeNodeId handle) { model_.ToggleCheck(handle); }
    // Where the node's check box is drawn, in viewport coordinates.
    QRect CheckBoxRect(notes::TreeNodeId handle) const;

signals:
    // The selected node changed (never for "no node").
    void folderSelected(notes::TreeNodeId handle);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInserted(notes::TreeNodeId handle);
    void OnChanged(notes::TreeNodeId handle);
    void OnLButtonDown(const QPoint& point);

    notes::FolderTreeModel model_;
    std::unordered_map<notes::TreeNodeId, QTreeWidgetItem*> items_;
    // The node the user selected last; the view's own current item may be
    // set without the user, as when the tree takes the focus.
    notes::TreeNodeId selected_ = 0;
};

}  // namespace controls
