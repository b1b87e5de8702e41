// What assistive tools (screen readers, test drivers on the accessibility
// bus) see of the item list: a table whose cells are numbered as the view
// numbers them in the focus and selection events it sends itself (the
// header's cells first, then each row's, column by column).
//
// A cell of the first column carries its row's tick box: a check state and
// "Toggle", which ticks or unticks the row as Space does, besides "Press",
// which selects the row and so previews it. The header's first cell is the
// tick-all box, with its state and "Toggle". Qt's own table would offer only
// a "Toggle" that selects the cell.
#pragma once

#include "accessible_parts.h"

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QPointer>

#include <map>
#include <utility>

namespace controls {

class CCheckListCtrl;

class CheckListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit CheckListAccessible(CCheckListCtrl* list);
    ~CheckListAccessible() override;

    // Installs the factory that gives every item list this interface.
    static void Install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    CCheckListCtrl* List() const;
    // The interface of a cell, made on first use; row -1 is the header.
    QAccessibleInterface* Cell(int row, int column) const;
    void ForgetCells();

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
};

class CheckListCellAccessible : public ItemAccessible,
                                public QAccessibleTableCellInterface,
                                public QAccessibleActionInterface {
public:
    // row -1: the header's cell of that column.
    CheckListCellAccessible(CCheckListCtrl* list, int row, int column) : list_(list), row_(row), column_(column) {}

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    int columnExtent() const override { return 1; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    int columnIndex() const override { return column_; }
    int rowExtent() const override { return 1; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int rowIndex() const override { return row_; }
    bool isSelected() const override;
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    // Whether the cell holds a tick box: the rows' in the first column, and
    // the header's tick-all box above them.
    bool HasBox() const { return column_ == 0; }

    QPointer<CCheckListCtrl> list_;
    int row_;
    int column_;
};

}  // namespace controls
