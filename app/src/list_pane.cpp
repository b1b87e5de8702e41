// The item list's pane: the filter box above the list, and the count of the
// rows listed, shown and ticked in the status bar.
#include <app/ferrywell_dlg.h>

#include <app/window_layout.h>

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace app {

QString ListCountText(int rows, int ticked, int shown) {
    if (rows == 0) return {};
    QString text = shown >= 0 && shown < rows ? QString("%L1 of %L2 contacts").arg(shown).arg(rows)
                                              : QString("%L1 contacts").arg(rows);
    if (ticked > 0) text += QString(", %L1 ticked").arg(ticked);
    return text;
}

QWidget* CFerrywellDlg::BuildListPane() {
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kFilterGap);
    filter_ = new QLineEdit(pane);
    filter_->setObjectName("listFilter");
    filter_->setPlaceholderText(kFilterName);
    filter_->setAccessibleName(kFilterName);
    // Escape empties it too (eventFilter).
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, list_, &controls::CCheckListCtrl::SetFilter);
    layout->addWidget(filter_);
    layout->addWidget(list_, 1);
    return pane;
}

void CFerrywellDlg::UpdateCount() {
    const controls::CheckListModel& rows = list_->Model();
    count_->setText(ListCountText(rows.rowCount(), rows.CheckedCount(), list_->ShownRowCount()));
}

}  // namespace app
