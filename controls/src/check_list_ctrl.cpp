#include <controls/check_list_ctrl.h>
#include <controls/icons.h>
#include <controls/theme_colours.h>

#include "check_list_accessible.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <utility>
#include <vector>

namespace controls {

CCheckHeadCtrl::CCheckHeadCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setStretchLastSection(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logicalIndex) {
        if (logicalIndex == 0) ClickBox();
    });
}

void CCheckHeadCtrl::ClickBox() {
    if (!initialised_) return;
    SetHeaderImage(image_ == 1 ? 2 : 1);
    emit boxClicked(image_);
}

void CCheckHeadCtrl::SetHeaderImage(int image) {
    if (image_ == image) return;
    image_ = image;
    viewport()->update();
}

QRect CCheckHeadCtrl::BoxRect() const {
    const int x = sectionViewportPosition(0);
    QStyleOptionButton option;
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    return QRect(x + 4, (height() - box.height()) / 2, box.width(), box.height());
}

void CCheckHeadCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != 0 || !initialised_) return;
    QStyleOptionButton option;
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    option.rect = QRect(rect.left() + 4, rect.top() + (rect.height() - box.height()) / 2, box.width(), box.height());
    option.state = QStyle::State_Enabled | (image_ == 2 ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter, this);
}

CCheckListCtrl::CCheckListCtrl(QWidget* parent) : QTableView(parent), header_(new CCheckHeadCtrl(this)) {
    CheckListAccessible::Install();
    setHorizontalHeader(header_);
    setModel(&model_);
    header_->setSectionsClickable(true);
    // Rows of one fixed height: a table view then lists any number of rows
    // without laying each one out.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab leaves the list (the arrow keys move within it).
    setTabKeyNavigation(false);
    setStyleSheet("QTableView { gridline-color: " + GridColour(palette()).name() + "; }"
                  "QTableView::item:selected { background-color: #3874d8; color: white; }");
    model_.SetRowImage(ContactRowImage());
    model_.SetGroupImage(GroupRowImage());
    connect(&model_, &CheckListModel::checksChanged, this, &CCheckListCtrl::OnChecksChanged);
    connect(header_, &CCheckHeadCtrl::boxClicked, this, &CCheckListCtrl::OnHeaderBoxClicked);
    connect(header_, &QHeaderView::sectionClicked, this, &CCheckListCtrl::OnHeaderClicked);
    // Rows that come after an ordering stand at the end: the list is no
    // longer in that order, and its header says so no more.
    connect(&model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        sortColumn_ = 0;
        header_->setSortIndicatorShown(false);
        FilterRows(first, last);
    });
    // A reset shows every row again, and an ordering moves them: the
    // filter is applied anew.
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { FilterRows(0); });
    connect(&model_, &QAbstractItemModel::layoutChanged, this, [this] { FilterRows(0); });
}

int CCheckListCtrl::Init() {
    if (header_->Initialised()) return 1;
    header_->SetInitialised();
    OnChecksChanged();
    header_->viewport()->update();
    return 1;
}

void CCheckListCtrl::SetColumns(const std::vector<ListColumn>& columns) {
    model_.SetColumns(columns);
    header_->setSectionsClickable(true);
    const auto& set = model_.Columns();
    for (int c = 0; c < kListColumns; ++c) {
        const int width = set[size_t(c)].width;
        setColumnHidden(c, width == 0);
        if (width > 0) header_->resizeSection(c, width);
    }
    if (!filter_.isEmpty()) FilterRows(0);  // by the columns now shown
}

void CCheckListCtrl::FitColumns() {
    // The rows in view and up to kFitSampleRows spread over the rest: the
    // widths of a long list without measuring every row.
    const int count = model_.rowCount();
    std::vector<int> rows;
    const int top = std::max(0, rowAt(0));
    const int bottom = rowAt(viewport()->height()) < 0 ? count - 1 : rowAt(viewport()->height());
    for (int r = top; r <= bottom && r < count; ++r) rows.push_back(r);
    const int step = std::max(1, count / kFitSampleRows);
    for (int r = 0; r < count; r += step) rows.push_back(r);

    const QFontMetrics metrics(font());
    // What the item delegate puts around a text: a margin on each side, and
    // the grid line.
    const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    for (int c = 0; c < kListColumns; ++c) {
        if (isColumnHidden(c)) continue;
        int width = header_->sectionSizeHint(c);
        if (count > 0 && c == 0) width = std::max(width, sizeHintForIndex(model_.index(0, 0)).width());
        for (int r : rows) width = std::max(width, metrics.horizontalAdvance(model_.Row(r).text[size_t(c)]) + padding);
        setColumnWidth(c, std::min(width, kFitWidth));
    }
}

int CCheckListCtrl::FirstSelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : rows)
        if (first < 0 || i.row() < first) first = i.row();
    return first;
}

void CCheckListCtrl::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    if (current.isValid() && event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Space) {
        model_.SetChecked(current.row(), !model_.IsChecked(current.row()));
        return;
    }
    if (event->modifiers() == Qt::ShiftModifier && event->key() == Qt::Key_F10) {
        const QRect row = visualRect(current);
        emit customContextMenuRequested(row.isValid() ? row.center() : QPoint(0, 0));
        return;
    }
    QTableView::keyPressEvent(event);
}

void CCheckListCtrl::mousePressEvent(QMouseEvent* event) {
    menuAskedByPress_ = false;
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::RightButton || !isEnabled()) return;
    menuAskedByPress_ = true;
    emit customContextMenuRequested(event->position().toPoint());
}

bool CCheckListCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ContextMenu && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse &&
        std::exchange(menuAskedByPress_, false)) {
        event->accept();
        return true;
    }
    return QTableView::viewportEvent(event);
}

void CCheckListCtrl::OnChecksChanged() {
    if (!header_->Initialised()) return;
    // An empty list counts as all ticked. While a filter hides rows, the box
    // speaks for the rows shown, as its click does.
    bool all = model_.CheckedCount() == model_.rowCount();
    if (!filter_.isEmpty() && !all) {
        all = true;
        for (int r = 0; r < model_.rowCount() && all; ++r) all = isRowHidden(r) || model_.IsChecked(r);
    }
    header_->SetHeaderImage(all ? 2 : 1);
}

void CCheckListCtrl::OnHeaderBoxClicked(int image) {
    if (filter_.isEmpty()) model_.SetAllChecked(image == 2);
    else model_.SetCheckedWhere(image == 2, [this](int r) { return !isRowHidden(r); });
}

void CCheckListCtrl::DeleteAllRows() {
    model_.RemoveAllRows();
    sortColumn_ = 0;
    header_->setSortIndicatorShown(false);
}

void CCheckListCtrl::OnHeaderClicked(int column) {
    // The header moves its indicator by itself before this; the list says
    // where it goes. The tick-all box orders nothing.
    if (column > 0) {
        sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        sortColumn_ = column;
        model_.sort(sortColumn_, sortOrder_);
    }
    header_->setSortIndicator(sortColumn_ > 0 ? sortColumn_ : -1, sortOrder_);
    header_->setSortIndicatorShown(sortColumn_ > 0);
}

}  // namespace controls
