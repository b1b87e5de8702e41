#include "folder_tree_accessible.h"

#include <controls/folder_tree_ctrl.h>
#include <controls/icons.h>

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace controls {

namespace {
constexpr int kHandleRole = Qt::UserRole + 1;
}

CFolderTreeCtrl1::CFolderTreeCtrl1(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    // Names are shown whole: a narrow tree (a small or scaled screen)
    // scrolls sideways instead of cutting them to "Lotu…".
    setTextElideMode(Qt::ElideNone);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);  // hot tracking
    model_.onInserted = [this](notes::TreeNodeId h) { OnInserted(h); };
    model_.onChanged = [this](notes::TreeNodeId h) { OnChanged(h); };
    FolderTreeAccessible::Install();
}

// The tree's interface for assistive tools, when they are listening.
static FolderTreeAccessible* AccessibleTree(CFolderTreeCtrl1* tree) {
    if (!QAccessible::isActive()) return nullptr;
    return dynamic_cast<FolderTreeAccessible*>(QAccessible::queryAccessibleInterface(tree));
}

void CFolderTreeCtrl1::Init() { setIconSize(QSize(16, 16)); }

notes::TreeNodeId CFolderTreeCtrl1::SelectFolder(const std::string& path, uint32_t viewIndex,
                                                 notes::FolderStructureList& records) {
    return model_.SelectFolder(path, viewIndex, records);
}

void CFolderTreeCtrl1::DeleteAllItems() {
    const bool blocked = blockSignals(true);
    model_.DeleteAllItems();
    if (FolderTreeAccessible* accessible = AccessibleTree(this)) accessible->ForgetItems();
    items_.clear();
    selected_ = 0;
    clear();
    blockSignals(blocked);
}

QTreeWidgetItem* CFolderTreeCtrl1::ItemFor(notes::TreeNodeId handle) const {
    auto it = items_.find(handle);
    return it == items_.end() ? nullptr : it->second;
}

notes::TreeNodeId CFolderTreeCtrl1::HandleOf(const QTreeWidgetItem* item) const {
    return item ? notes::TreeNodeId(item->data(0, kHandleRole).toUInt()) : 0;
}

void CFolderTreeCtrl1::OnInserted(notes::TreeNodeId handle) {
    const auto& node = model_.Get(handle);
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{QString::fromStdString(node.text)});
    item->setData(0, kHandleRole, handle);
    QIcon icon = TreeImage(node.images.normal);
    if (node.images.selected != node.images.normal)
        icon.addPixmap(TreeImage(node.images.selected).pixmap(16, 16), QIcon::Selected);
    item->setIcon(0, icon);
    item->setCheckState(0, node.state == notes::kChecked ? Qt::Checked : Qt::Unchecked);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (node.hasChildrenButton) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    const auto& siblings = model_.Children(node.parent);
    const int position = int(std::find(siblings.begin(), siblings.end(), handle) - siblings.begin());
    QTreeWidgetItem* raw = item.get();
    if (node.parent == notes::kTreeRoot)
        insertTopLevelItem(position, item.release());
    else
        ItemFor(node.parent)->insertChild(position, item.release());
    items_[handle] = raw;
}

void CFolderTreeCtrl1::OnChanged(notes::TreeNodeId handle) {
    QTreeWidgetItem* item = ItemFor(handle);
    if (!item) return;
    const auto& node = model_.Get(handle);
    const Qt::CheckState state = node.state == notes::kChecked ? Qt::Checked : Qt::Unchecked;
    if (item->checkState(0) != state) {
        item->setCheckState(0, state);
        if (FolderTreeAccessible* accessible = AccessibleTree(this)) {
            if (QAccessibleInterface* itemInterface = accessible->ItemInterface(handle)) {
                QAccessible::State changed;
                changed.checked = true;
                QAccessibleStateChangeEvent event(itemInterface, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
    QFont font = item->font(0);
    if (font.bold() != node.bold) {
        font.setBold(node.bold);
        item->setFont(0, font);
    }
    if (item->isExpanded() != node.expanded) item->setExpanded(node.expanded);
}

QRect CFolderTreeCtrl1::CheckBoxRect(notes::TreeNodeId handle) const {
    QTreeWidgetItem* item = ItemFor(handle);
    if (!item) return {};
    const QModelIndex index = indexFromItem(item);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    option.text = item->text(0);
    option.icon = item->icon(0);
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void CFolderTreeCtrl1::OnLButtonDown(const QPoint& point) {
    QTreeWidgetItem* item = itemAt(point);
    if (!item) return;
    const notes::TreeNodeId handle = HandleOf(item);
    if (CheckBoxRect(handle).contains(point)) {
        model_.ToggleCheck(handle);
        return;
    }
    const bool onExpandButton = point.x() < visualItemRect(item).left();
    if (!onExpandButton) SelectItem(handle);
    if (model_.IsValid(handle)) model_.Expand(handle, !item->isExpanded());
}

void CFolderTreeCtrl1::SelectItem(notes::TreeNodeId handle) {
    QTreeWidgetItem* item = ItemFor(handle);
    if (!item) return;
    setCurrentItem(item);
    if (handle == selected_) return;
    selected_ = handle;
    emit folderSelected(handle);
}

void CFolderTreeCtrl1::keyPressEvent(QKeyEvent* event) {
    // Space ticks or unticks the current node as a click on its box does.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const notes::TreeNodeId current = HandleOf(currentItem());
        if (current != 0) model_.ToggleCheck(current);
        return;
    }
    QTreeWidget::keyPressEvent(event);
    const notes::TreeNodeId current = HandleOf(currentItem());
    if (current != 0 && current != selected_) SelectItem(current);
}

void CFolderTreeCtrl1::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(event->position().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CFolderTreeCtrl1::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CFolderTreeCtrl1::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second click of a double click acts as one more click.
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(event->position().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

}  // namespace controls
