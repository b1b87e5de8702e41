#include <controls/check_list_ctrl.h>

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace controls {

void CheckListModel::SetColumns(const std::vector<ListColumn>& columns) {
    beginResetModel();
    columns_ = columns;
    columns_.resize(kListColumns);
    endResetModel();
}

void CheckListModel::AppendRows(std::vector<CheckListRow> rows) {
    if (rows.empty()) return;
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (auto& row : rows) {
        checked_ += row.checked ? 1 : 0;
        rows_.push_back(std::move(row));
    }
    endInsertRows();
    emit checksChanged();
}

void CheckListModel::RemoveAllRows() {
    beginResetModel();
    std::deque<CheckListRow>().swap(rows_);
    checked_ = 0;
    endResetModel();
    emit checksChanged();
}

void CheckListModel::SetChecked(int row, bool checked) {
    if (row < 0 || row >= rowCount() || rows_[size_t(row)].checked == checked) return;
    rows_[size_t(row)].checked = checked;
    checked_ += checked ? 1 : -1;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
    emit checksChanged();
}

void CheckListModel::SetAllChecked(bool checked) {
    for (auto& row : rows_) row.checked = checked;
    checked_ = checked ? int(rows_.size()) : 0;
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
    emit checksChanged();
}

void CheckListModel::SetCheckedWhere(bool checked, const std::function<bool(int)>& shown) {
    int first = -1, last = -1;
    for (int r = 0; r < rowCount(); ++r) {
        CheckListRow& row = rows_[size_t(r)];
        if (row.checked == checked || !shown(r)) continue;
        row.checked = checked;
        checked_ += checked ? 1 : -1;
        if (first < 0) first = r;
        last = r;
    }
    if (first >= 0) emit dataChanged(index(first, 0), index(last, 0), {Qt::CheckStateRole});
    emit checksChanged();
}

int CheckListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int CheckListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumns; }

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CheckListRow& row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return row.text[size_t(index.column())];
    case Qt::CheckStateRole:
        return index.column() == 0 ? QVariant(row.checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(row.group ? groupImage_ : rowImage_) : QVariant();
    default: return {};
    }
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant CheckListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= int(columns_.size()))
        return {};
    return columns_[size_t(section)].header;
}

void CheckListModel::sort(int column, Qt::SortOrder order) {
    if (column <= 0 || column >= kListColumns || rows_.size() < 2) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // A column of whole numbers orders by their values (not every
    // platform's collator has a numeric mode); others by collation keys of
    // the case-folded texts (nor does every one's keys honour a case setting).
    std::vector<qlonglong> numbers;
    numbers.reserve(rows_.size());
    for (const CheckListRow& row : rows_) {
        bool ok = false;
        numbers.push_back(row.text[size_t(column)].toLongLong(&ok));
        if (!ok) {
            numbers.clear();
            break;
        }
    }
    std::vector<QCollatorSortKey> keys;
    if (numbers.empty()) {
        const QCollator collator;
        keys.reserve(rows_.size());
        for (const CheckListRow& row : rows_) keys.push_back(collator.sortKey(row.text[size_t(column)].toCaseFolded()));
    }
    const auto compare = [&](size_t a, size_t b) {
        if (!numbers.empty()) return numbers[a] < numbers[b] ? -1 : numbers[a] > numbers[b] ? 1 : 0;
        return keys[a].compare(keys[b]);
    };
    std::vector<size_t> from(rows_.size());
    std::iota(from.begin(), from.end(), 0);
    std::stable_sort(from.begin(), from.end(), [&](size_t a, size_t b) {
        const int c = compare(a, b);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    std::deque<CheckListRow> sorted;
    std::vector<int> to(rows_.size());
    for (size_t i = 0; i < from.size(); ++i) {
        sorted.push_back(std::move(rows_[from[i]]));
        to[from[i]] = int(i);
    }
    rows_.swap(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before) after << this->index(to[size_t(index.row())], index.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace controls
