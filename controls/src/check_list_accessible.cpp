#include "check_list_accessible.h"

#include <controls/check_list_ctrl.h>

#include <QWindow>

#include <algorithm>

namespace controls {

namespace {

// The header takes the first line of cells while it is shown, as in the
// numbers the view gives its own events.
int HeaderLines(const CCheckListCtrl& list) { return list.horizontalHeader()->isHidden() ? 0 : 1; }

}  // namespace

CheckListAccessible::CheckListAccessible(CCheckListCtrl* list) : QAccessibleWidget(list, QAccessible::Table) {}

CheckListAccessible::~CheckListAccessible() { ForgetCells(); }

void CheckListAccessible::Install() { InstallAccessible<CCheckListCtrl, CheckListAccessible>(); }

CCheckListCtrl* CheckListAccessible::List() const { return static_cast<CCheckListCtrl*>(widget()); }

QAccessibleInterface* CheckListAccessible::Cell(int row, int column) const {
    if (row < -1 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
    if (row < 0 && !HeaderLines(*List())) return nullptr;
    auto it = cells_.find({row, column});
    if (it == cells_.end())
        it = cells_.emplace(std::pair(row, column), QAccessible::registerAccessibleInterface(
                                                        new CheckListCellAccessible(List(), row, column))).first;
    return QAccessible::accessibleInterface(it->second);
}

void CheckListAccessible::ForgetCells() {
    for (const auto& [place, id] : cells_) QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
}

int CheckListAccessible::childCount() const { return (rowCount() + HeaderLines(*List())) * columnCount(); }

QAccessibleInterface* CheckListAccessible::child(int index) const {
    const int columns = columnCount();
    if (index < 0 || columns == 0) return nullptr;
    return Cell(index / columns - HeaderLines(*List()), index % columns);
}

int CheckListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child || child->parent() != this) return -1;
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell) return -1;
    return (cell->rowIndex() + HeaderLines(*List())) * columnCount() + cell->columnIndex();
}

QAccessibleInterface* CheckListAccessible::childAt(int x, int y) const {
    const QPoint global(x, y);
    QHeaderView* header = List()->horizontalHeader();
    const QPoint inHeader = header->viewport()->mapFromGlobal(global);
    if (header->isVisible() && header->viewport()->rect().contains(inHeader))
        return Cell(-1, header->logicalIndexAt(inHeader));
    const QModelIndex index = List()->indexAt(List()->viewport()->mapFromGlobal(global));
    return index.isValid() ? Cell(index.row(), index.column()) : nullptr;
}

QAccessibleInterface* CheckListAccessible::focusChild() const {
    if (!List()->hasFocus()) return nullptr;
    const QModelIndex current = List()->currentIndex();
    return current.isValid() ? Cell(current.row(), current.column()) : nullptr;
}

void* CheckListAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* CheckListAccessible::cellAt(int row, int column) const {
    return row >= 0 ? Cell(row, column) : nullptr;
}

int CheckListAccessible::columnCount() const { return List()->Model().columnCount(); }

int CheckListAccessible::rowCount() const { return List()->Model().rowCount(); }

int CheckListAccessible::selectedCellCount() const { return selectedRowCount() * columnCount(); }

QList<QAccessibleInterface*> CheckListAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows())
        for (int column = 0; column < columnCount(); ++column) cells.append(Cell(row, column));
    return cells;
}

QString CheckListAccessible::columnDescription(int column) const {
    return List()->Model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

int CheckListAccessible::selectedRowCount() const { return int(List()->selectionModel()->selectedRows().size()); }

QList<int> CheckListAccessible::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : List()->selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool CheckListAccessible::isRowSelected(int row) const { return List()->selectionModel()->isRowSelected(row); }

bool CheckListAccessible::selectRow(int row) {
    if (row < 0 || row >= rowCount()) return false;
    List()->selectRow(row);
    return true;
}

bool CheckListAccessible::unselectRow(int row) {
    if (row < 0 || row >= rowCount()) return false;
    List()->selectionModel()->select(List()->Model().index(row, 0),
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

void CheckListAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
    // A cell names a place: it stays while its row does (a tick or a new
    // text changes only what it reports). Rows that came or went move every
    // place after them, and a new order or a new model every place.
    switch (event->modelChangeType()) {
    case QAccessibleTableModelChangeEvent::DataChanged:
        return;
    case QAccessibleTableModelChangeEvent::RowsInserted:
    case QAccessibleTableModelChangeEvent::RowsRemoved:
        for (auto it = cells_.lower_bound({std::max(0, event->firstRow()), 0}); it != cells_.end();) {
            QAccessible::deleteAccessibleInterface(it->second);
            it = cells_.erase(it);
        }
        return;
    default:
        ForgetCells();
    }
}

bool CheckListCellAccessible::isValid() const {
    if (!list_) return false;
    const auto& model = list_->Model();
    return row_ >= -1 && row_ < model.rowCount() && column_ >= 0 && column_ < model.columnCount();
}

QWindow* CheckListCellAccessible::window() const { return list_ ? list_->window()->windowHandle() : nullptr; }

QAccessibleInterface* CheckListCellAccessible::parent() const { return QAccessible::queryAccessibleInterface(list_); }

QString CheckListCellAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name || !isValid()) return {};
    const auto& model = list_->Model();
    if (row_ < 0) return model.headerData(column_, Qt::Horizontal, Qt::DisplayRole).toString();
    return model.data(model.index(row_, column_), Qt::DisplayRole).toString();
}

QRect CheckListCellAccessible::rect() const {
    if (!isValid()) return {};
    if (row_ < 0) {
        QHeaderView* header = list_->horizontalHeader();
        return OnScreen(header->viewport(), QRect(header->sectionViewportPosition(column_), 0,
                                                  header->sectionSize(column_), header->height()));
    }
    return OnScreen(list_->viewport(), list_->visualRect(list_->Model().index(row_, column_)));
}

QAccessible::State CheckListCellAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.disabled = !list_->isEnabled();
    if (HasBox()) {
        s.checkable = true;
        s.checked = row_ < 0 ? list_->Header().HeaderImage() == 2 : list_->Model().IsChecked(row_);
    }
    const bool hidden = list_->isColumnHidden(column_) || (row_ >= 0 && list_->isRowHidden(row_));
    if (row_ < 0) {
        s.invisible = hidden || !list_->horizontalHeader()->isVisible();
    } else {
        const QModelIndex index = list_->Model().index(row_, column_);
        s.selectable = s.focusable = true;
        s.selected = list_->selectionModel()->isRowSelected(row_);
        s.focused = list_->hasFocus() && list_->currentIndex() == index;
        s.invisible = hidden || !list_->isVisible() || !list_->viewport()->rect().intersects(list_->visualRect(index));
    }
    s.offscreen = s.invisible;
    return s;
}

void* CheckListCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QList<QAccessibleInterface*> CheckListCellAccessible::columnHeaderCells() const {
    QAccessibleInterface* list = parent();
    QAccessibleInterface* header = list && row_ >= 0 ? list->child(column_) : nullptr;
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

bool CheckListCellAccessible::isSelected() const {
    return isValid() && row_ >= 0 && list_->selectionModel()->isRowSelected(row_);
}

QStringList CheckListCellAccessible::actionNames() const {
    QStringList names;
    if (HasBox()) names << toggleAction();
    if (row_ >= 0) names << pressAction();
    return names;
}

void CheckListCellAccessible::doAction(const QString& actionName) {
    if (!isValid() || !list_->isEnabled()) return;
    if (actionName == toggleAction() && HasBox()) {
        if (row_ < 0) list_->Header().ClickBox();
        else list_->Model().SetChecked(row_, !list_->Model().IsChecked(row_));
    } else if (actionName == pressAction() && row_ >= 0) {
        list_->setCurrentIndex(list_->Model().index(row_, column_));
    }
}

QStringList CheckListCellAccessible::keyBindingsForAction(const QString& actionName) const {
    return actionName == toggleAction() && row_ >= 0 ? QStringList{QStringLiteral("Space")} : QStringList{};
}

}  // namespace controls
