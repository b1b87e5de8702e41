#include <controls/check_list_ctrl.h>

#include <QSignalBlocker>

namespace controls {

void CCheckListCtrl::SetFilter(const QString& text) {
    if (text == filter_) return;
    filter_ = text;
    FilterRows(0);
}

void CCheckListCtrl::FilterRows(int first, int last) {
    const bool all = last < 0;
    if (all) last = model_.rowCount() - 1;
    if (filter_.isEmpty() && !all) {  // rows come shown
        shown_ += last - first + 1;
        emit shownRowsChanged();
        return;
    }
    std::vector<int> columns;
    for (int c = 0; c < kListColumns; ++c)
        if (!isColumnHidden(c)) columns.push_back(c);
    int shown = 0;
    // Hidden rows are the vertical header's hidden sections. Told one by one,
    // the header would place every section anew and the view queue each row
    // for repainting: a long list took seconds. It is told quietly, and the
    // view lays itself out once after.
    QHeaderView& rowsHeader = *verticalHeader();
    const bool updates = rowsHeader.updatesEnabled();
    rowsHeader.setUpdatesEnabled(false);
    const QSignalBlocker quiet(&rowsHeader);
    for (int r = first; r <= last; ++r) {
        bool match = filter_.isEmpty();
        const CheckListRow& row = model_.Row(r);
        for (size_t i = 0; i < columns.size() && !match; ++i)
            match = row.text[size_t(columns[i])].contains(filter_, Qt::CaseInsensitive);
        // Only a change is passed on: the view lays out each one.
        if (isRowHidden(r) == match) setRowHidden(r, !match);
        shown += match;
    }
    rowsHeader.setUpdatesEnabled(updates);
    updateGeometries();
    viewport()->update();
    shown_ = all ? shown : shown_ + shown;
    OnChecksChanged();  // the tick-all box speaks for the rows shown
    emit shownRowsChanged();
}

}  // namespace controls
