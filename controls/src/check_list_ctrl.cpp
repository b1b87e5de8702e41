#include <controls/check_list_ctrl.h>
#include <controls/icons.h>

#include <QPainter>
#include <QStyleOptionButton>

namespace controls {

CCheckHeadCtrl::CCheckHeadCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logicalIndex) {
        if (!initialised_ || logicalIndex != 0) return;
        SetHeaderImage(image_ == 1 ? 2 : 1);
        emit boxClicked(image_);
    });
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
    setStyleSheet("QTableView { gridline-color: #e4e4e4; }"
                  "QTableView::item:selected { background-color: #3874d8; color: white; }");
    model_.SetRowImage(ContactRowImage());
    model_.SetGroupImage(GroupRowImage());
    connect(&model_, &CheckListModel::checksChanged, this, &CCheckListCtrl::OnChecksChanged);
    connect(header_, &CCheckHeadCtrl::boxClicked, this, &CCheckListCtrl::OnHeaderBoxClicked);
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
}

int CCheckListCtrl::FirstSelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : rows)
        if (first < 0 || i.row() < first) first = i.row();
    return first;
}

void CCheckListCtrl::OnChecksChanged() {
    if (!header_->Initialised()) return;
    // An empty list counts as all ticked.
    header_->SetHeaderImage(model_.CheckedCount() == model_.rowCount() ? 2 : 1);
}

void CCheckListCtrl::OnHeaderBoxClicked(int image) { model_.SetAllChecked(image == 2); }

}  // namespace controls
