// What assistive tools (screen readers, test drivers on the accessibility
// bus) see of the folder tree: a tree whose items are its nodes, each with a
// check state and two actions, "Toggle" (tick or untick the node with its
// descendants, as a click on its box does) and "Press" (select it, which
// lists its view, as a click on its text does).
//
// The items are numbered as the item views number theirs, the rows shown in
// order after one header entry, so that the focus and selection events the
// view sends itself name the right item.
#pragma once

#include <notes/tree_model.h>

#include "accessible_parts.h"

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QPointer>

#include <unordered_map>

namespace controls {

class CFolderTreeCtrl1;

class FolderTreeAccessible : public QAccessibleWidget {
public:
    explicit FolderTreeAccessible(CFolderTreeCtrl1* tree);
    ~FolderTreeAccessible() override;

    // Installs the factory that gives every folder tree this interface.
    static void Install();
    // The interface of a node, made on first use; null for no node.
    QAccessibleInterface* ItemInterface(notes::TreeNodeId handle);
    // The tree's nodes went: their interfaces go with them.
    void ForgetItems();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    CFolderTreeCtrl1* Tree() const;
    QAccessibleInterface* Header() const;

    mutable QAccessible::Id header_ = 0;
    std::unordered_map<notes::TreeNodeId, QAccessible::Id> items_;
};

class FolderTreeItemAccessible : public ItemAccessible, public QAccessibleActionInterface {
public:
    FolderTreeItemAccessible(CFolderTreeCtrl1* tree, notes::TreeNodeId handle) : tree_(tree), handle_(handle) {}

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPointer<CFolderTreeCtrl1> tree_;
    notes::TreeNodeId handle_;
};

}  // namespace controls
