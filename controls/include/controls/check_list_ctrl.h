// The item list: a report list whose rows carry check boxes, with a tick-all
// box in the header of the first column. Rows live in CheckListModel, which
// keeps the number of ticked rows so that the header box follows any change
// at once, also for very long lists.
#pragma once

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QIcon>
#include <QTableView>

#include <array>
#include <functional>
#include <deque>
#include <vector>

namespace controls {

inline constexpr int kListColumns = 9;

struct ListColumn {
    QString header;
    int width = 0;  // 0: hidden
};

struct CheckListRow {
    std::array<QString, kListColumns> text;
    bool checked = false;
    bool group = false;  // shows the group image instead of the row image
};

class CheckListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetColumns(const std::vector<ListColumn>& columns);
    const std::vector<ListColumn>& Columns() const { return columns_; }
    void AppendRows(std::vector<CheckListRow> rows);
    void RemoveAllRows();
    const CheckListRow& Row(int row) const { return rows_[size_t(row)]; }
    bool IsChecked(int row) const { return rows_[size_t(row)].checked; }
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    // Ticks or clears the rows for which shown is true, with one signal.
    void SetCheckedWhere(bool checked, const std::function<bool(int)>& shown);
    int CheckedCount() const { return checked_; }
    void SetRowImage(QIcon icon) { rowImage_ = std::move(icon); }
    void SetGroupImage(QIcon icon) { groupImage_ = std::move(icon); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Orders the rows by the texts of column (numbers by their value, letters
    // without regard to case), keeping the order of equal ones; the tick
    // column orders nothing. Selected rows stay selected.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // Ticks changed, or rows were added or removed.
    void checksChanged();

private:
    std::vector<ListColumn> columns_;
    std::deque<CheckListRow> rows_;  // grows without moving the rows it holds
    int checked_ = 0;
    QIcon rowImage_, groupImage_;
};

// The header with the tick-all box over column 0: image 1 empty, 2 ticked.
class CCheckHeadCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CCheckHeadCtrl(QWidget* parent = nullptr);
    int HeaderImage() const { return image_; }
    void SetHeaderImage(int image);
    // Does what a click on the box does: flips it and says so.
    void ClickBox();
    bool Initialised() const { return initialised_; }
    void SetInitialised() { initialised_ = true; }
    // Where the box is drawn, in header coordinates.
    QRect BoxRect() const;

signals:
    // The box was clicked; image is its new state.
    void boxClicked(int image);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int image_ = 1;
    bool initialised_ = false;
};

class CCheckListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CCheckListCtrl(QWidget* parent = nullptr);

    // Makes the header box work; a second call does nothing. Returns 1.
    int Init();
    CheckListModel& Model() { return model_; }
    const CheckListModel& Model() const { return model_; }
    CCheckHeadCtrl& Header() { return *header_; }
    void SetColumns(const std::vector<ListColumn>& columns);
    // The rows go, and with them the order a header click gave them.
    void DeleteAllRows();
    int GetItemCount() const { return model_.rowCount(); }
    // Position of the first selected row, or -1.
    int FirstSelectedRow() const;
    // Fits each shown column to its header and the rows it holds (at most
    // kFitWidth pixels; of a long list, the rows in view and kFitSampleRows
    // spread over the rest); the last column takes the room that is left.
    void FitColumns();
    static constexpr int kFitWidth = 400;
    static constexpr int kFitSampleRows = 200;
    // Shows only the rows that hold text, ignoring case, in a shown column;
    // an empty text shows every row. Rows added or ordered later are
    // filtered alike. A hidden row keeps its tick.
    void SetFilter(const QString& text);
    const QString& Filter() const { return filter_; }
    // The rows the filter lets through: every row without one.
    int ShownRowCount() const { return shown_; }

signals:
    // The rows shown changed: the filter did, or rows came, went or were
    // ordered anew.
    void shownRowsChanged();

protected:
    // Space ticks or unticks the current row, whichever column holds the
    // focus; Shift+F10 opens the context menu at the current row.
    void keyPressEvent(QKeyEvent* event) override;
    // A right press selects the row under it and asks for the context menu
    // at once, before the selection's work (a preview) can disable the list
    // and so drop the desktop's own request that follows the press.
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnChecksChanged();
    void OnHeaderBoxClicked(int image);
    // Shows or hides the rows first to last by the filter and counts those
    // shown; every row when last is -1.
    void FilterRows(int first, int last = -1);
    // A click on a column's header orders the rows by it, the other way
    // round when it orders them already.
    void OnHeaderClicked(int column);

    CheckListModel model_;
    CCheckHeadCtrl* header_;
    bool menuAskedByPress_ = false;
    // The order a header click gave the rows; column 0 for none.
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;  // the desktop's request after it is answered
    QString filter_;
    int shown_ = 0;
};

}  // namespace controls
