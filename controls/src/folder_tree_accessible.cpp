#include "folder_tree_accessible.h"

#include <controls/folder_tree_ctrl.h>

#include <QWindow>

#include <functional>

namespace controls {

namespace {

// The rows the tree shows, in order: every node whose ancestors are open.
std::vector<QTreeWidgetItem*> ShownRows(const QTreeWidget& tree) {
    std::vector<QTreeWidgetItem*> rows;
    std::function<void(QTreeWidgetItem*)> add = [&](QTreeWidgetItem* item) {
        if (item->isHidden()) return;
        rows.push_back(item);
        if (!item->isExpanded()) return;
        for (int i = 0; i < item->childCount(); ++i) add(item->child(i));
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i) add(tree.topLevelItem(i));
    return rows;
}

// The place of the column header among the tree's children (hidden, as
// the tree shows none, but counted by the view's own events).
class HeaderAccessible : public ItemAccessible {
public:
    explicit HeaderAccessible(QWidget* tree) : tree_(tree) {}
    bool isValid() const override { return !tree_.isNull(); }
    QWindow* window() const override { return tree_ ? tree_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(tree_); }
    QString text(QAccessible::Text) const override { return {}; }
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = true;
        return s;
    }

private:
    QPointer<QWidget> tree_;
};

}  // namespace

FolderTreeAccessible::FolderTreeAccessible(CFolderTreeCtrl1* tree) : QAccessibleWidget(tree, QAccessible::Tree) {}

FolderTreeAccessible::~FolderTreeAccessible() {
    ForgetItems();
    if (header_) QAccessible::deleteAccessibleInterface(header_);
}

void FolderTreeAccessible::Install() { InstallAccessible<CFolderTreeCtrl1, FolderTreeAccessible>(); }

CFolderTreeCtrl1* FolderTreeAccessible::Tree() const { return static_cast<CFolderTreeCtrl1*>(widget()); }

QAccessibleInterface* FolderTreeAccessible::Header() const {
    if (!header_) header_ = QAccessible::registerAccessibleInterface(new HeaderAccessible(widget()));
    return QAccessible::accessibleInterface(header_);
}

QAccessibleInterface* FolderTreeAccessible::ItemInterface(notes::TreeNodeId handle) {
    if (!Tree()->ItemFor(handle)) return nullptr;
    auto it = items_.find(handle);
    if (it == items_.end())
        it = items_.emplace(handle, QAccessible::registerAccessibleInterface(
                                        new FolderTreeItemAccessible(Tree(), handle))).first;
    return QAccessible::accessibleInterface(it->second);
}

void FolderTreeAccessible::ForgetItems() {
    for (const auto& [handle, id] : items_) QAccessible::deleteAccessibleInterface(id);
    items_.clear();
}

int FolderTreeAccessible::childCount() const { return 1 + int(ShownRows(*Tree()).size()); }

QAccessibleInterface* FolderTreeAccessible::child(int index) const {
    if (index == 0) return Header();
    const auto rows = ShownRows(*Tree());
    if (index < 0 || index > int(rows.size())) return nullptr;
    return const_cast<FolderTreeAccessible*>(this)->ItemInterface(Tree()->HandleOf(rows[size_t(index - 1)]));
}

int FolderTreeAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) return -1;
    if (header_ && child == QAccessible::accessibleInterface(header_)) return 0;
    const auto rows = ShownRows(*Tree());
    for (size_t i = 0; i < rows.size(); ++i) {
        auto it = items_.find(Tree()->HandleOf(rows[i]));
        if (it != items_.end() && QAccessible::accessibleInterface(it->second) == child) return int(i) + 1;
    }
    return -1;
}

QAccessibleInterface* FolderTreeAccessible::childAt(int x, int y) const {
    const QPoint point = Tree()->viewport()->mapFromGlobal(QPoint(x, y));
    QTreeWidgetItem* item = Tree()->itemAt(point);
    return item ? const_cast<FolderTreeAccessible*>(this)->ItemInterface(Tree()->HandleOf(item)) : nullptr;
}

QAccessibleInterface* FolderTreeAccessible::focusChild() const {
    if (!Tree()->hasFocus()) return nullptr;
    QTreeWidgetItem* current = Tree()->currentItem();
    return current ? const_cast<FolderTreeAccessible*>(this)->ItemInterface(Tree()->HandleOf(current)) : nullptr;
}

bool FolderTreeItemAccessible::isValid() const { return tree_ && tree_->ItemFor(handle_); }

QWindow* FolderTreeItemAccessible::window() const { return tree_ ? tree_->window()->windowHandle() : nullptr; }

QAccessibleInterface* FolderTreeItemAccessible::parent() const { return QAccessible::queryAccessibleInterface(tree_); }

QString FolderTreeItemAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name || !isValid()) return {};
    return tree_->ItemFor(handle_)->text(0);
}

QRect FolderTreeItemAccessible::rect() const {
    if (!isValid()) return {};
    return OnScreen(tree_->viewport(), tree_->visualItemRect(tree_->ItemFor(handle_)));
}

QAccessible::State FolderTreeItemAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    QTreeWidgetItem* item = tree_->ItemFor(handle_);
    s.disabled = !tree_->isEnabled();
    s.selectable = s.focusable = true;
    s.selected = item->isSelected();
    s.focused = tree_->hasFocus() && tree_->currentItem() == item;
    s.checkable = true;
    s.checked = tree_->GetCheck(handle_) == 1;
    s.expandable = item->childCount() > 0 || item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
    s.expanded = s.expandable && item->isExpanded();
    s.collapsed = s.expandable && !item->isExpanded();
    s.invisible = !tree_->isVisible() || !tree_->viewport()->rect().intersects(tree_->visualItemRect(item));
    s.offscreen = s.invisible;
    return s;
}

void* FolderTreeItemAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

QStringList FolderTreeItemAccessible::actionNames() const { return {toggleAction(), pressAction()}; }

void FolderTreeItemAccessible::doAction(const QString& actionName) {
    if (!isValid() || !tree_->isEnabled()) return;
    if (actionName == toggleAction()) tree_->ToggleCheck(handle_);
    else if (actionName == pressAction()) tree_->SelectItem(handle_);
}

QStringList FolderTreeItemAccessible::keyBindingsForAction(const QString& actionName) const {
    return actionName == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
}

}  // namespace controls
