#include <app/find_files_dialog.h>

#include <controls/dialog_services.h>
#include <controls/screen_fit.h>
#include <controls/theme_colours.h>

#include <selection/found_row.h>
#include <selection/scratch.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

using controls::MessageService;
using controls::MsgButtons;
using controls::MsgIcon;

namespace {
template <typename W>
W* Named(W* widget, int id) {
    widget->setObjectName(QString("id%1").arg(id));
    return widget;
}
}  // namespace

CFindFiles::CFindFiles(app::FerrywellState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName("CFindFiles");
    setWindowTitle("Search NSF Files");
    auto* outer = new QVBoxLayout(this);

    auto* define = new QGroupBox("Define Search", this);
    auto* defineRow = new QHBoxLayout(define);
    defineRow->addWidget(new QLabel("Select Path:", define));
    path_ = Named(new QLineEdit(define), 1045);
    path_->setAccessibleName("Search Path");
    defineRow->addWidget(path_, 1);
    auto* browse = Named(new QPushButton("Browse", define), 1033);
    defineRow->addWidget(browse);
    outer->addWidget(define);

    auto* options = new QGroupBox("Search Options", this);
    auto* grid = new QGridLayout(options);
    subfolders_ = Named(new QCheckBox("Search in subdirectories", options), 1037);
    grid->addWidget(subfolders_, 0, 0, 1, 4);
    sizeCheck_ = Named(new QCheckBox("Size between (in KB) ...", options), 1038);
    grid->addWidget(sizeCheck_, 1, 0);
    minKb_ = Named(new QLineEdit("0", options), 1040);
    minKb_->setEnabled(false);
    minKb_->setAccessibleName("Smallest Size in KB");
    grid->addWidget(minKb_, 1, 1);
    grid->addWidget(new QLabel("and", options), 1, 2);
    maxKb_ = Named(new QLineEdit("0", options), 1041);
    maxKb_->setEnabled(false);
    maxKb_->setAccessibleName("Largest Size in KB");
    grid->addWidget(maxKb_, 1, 3);
    mask_ = Named(new QLineEdit(kSearchMask, options), 1039);
    mask_->setEnabled(false);
    mask_->setVisible(false);
    outer->addWidget(options);

    auto* statusRow = new QHBoxLayout;
    status_ = Named(new QLabel(QString::fromStdString(selection::ItemsFoundText(0)), this), 1042);
    // A long folder name in the status line does not widen the dialog.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusRow->addWidget(status_, 1);
    searchButton_ = Named(new QPushButton("Search", this), 1043);
    statusRow->addWidget(searchButton_);
    outer->addLayout(statusRow);

    results_ = Named(new QTreeWidget(this), 1044);
    results_->setColumnCount(4);
    results_->setHeaderLabels({"Name", "In Folder", "Size", "Modified"});
    const int widths[] = {150, 200, 60, 120};
    for (int c = 0; c < 4; ++c) results_->header()->resizeSection(c, widths[c]);
    results_->setRootIsDecorated(false);
    results_->setAllColumnsShowFocus(true);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    const QString lines = controls::GridColour(palette()).name();
    results_->setStyleSheet("QTreeWidget::item { border-right: 1px solid " + lines + "; border-bottom: 1px solid " + lines + "; }"
        "QTreeWidget::item:selected { background-color: #3874d8; color: white; }");
    outer->addWidget(results_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* select = Named(new QPushButton("Select >>>", this), 1015);
    auto* cancel = Named(new QPushButton("Cancel", this), 2);
    auto* ok = Named(new QPushButton("OK", this), 1);
    ok->setVisible(false);
    for (QPushButton* b : {browse, searchButton_, select, cancel, ok}) b->setAutoDefault(false);
    // Enter searches (and, while a search runs, stops it).
    searchButton_->setDefault(true);
    buttons->addWidget(select);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    controls::FitToScreen(*this, {600, 520});

    connect(browse, &QPushButton::clicked, this, &CFindFiles::OnBnClickedButtonBrowse);
    connect(searchButton_, &QPushButton::clicked, this, &CFindFiles::OnBnClickedOksearch);
    connect(select, &QPushButton::clicked, this, &CFindFiles::OnBnClickedButton3);
    connect(cancel, &QPushButton::clicked, this, &CFindFiles::reject);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sizeCheck_, &QCheckBox::toggled, this, [this](bool on) {
        minKb_->setEnabled(on);
        maxKb_->setEnabled(on);
    });
    connect(results_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
        if (item) OnRowChosen();
    });
    finder_.SetCallback([this](selection::FileFinder& f, selection::FileFinder::Code code) { FileFinderProc(f, code); });
}

void CFindFiles::OnBnClickedButtonBrowse() {
    path_->setText(controls::PathChooser::ChooseFolder(this, "Select a directory..."));
}

void CFindFiles::OnBnClickedOksearch() {
    if (searching_) {
        finder_.StopSearch();
        return;
    }
    const QString path = path_->text();
    if (path.isEmpty()) {
        MessageService::Show(this, kNoSearchPath, MsgButtons::Ok, MsgIcon::Stop);
        return;
    }
    selection::FileFinder::FindOptions opts;
    opts.baseFolder = path.toStdString();
    opts.fileMask = mask_->text().toStdString();
    opts.searchSubfolders = subfolders_->isChecked();
    opts.filterFlags = selection::FIND_ATTRIBUTES;
    opts.attributeMask = selection::FILE_ATTRIBUTE_ARCHIVE;
    if (sizeCheck_->isChecked()) {
        opts.filterFlags |= selection::FIND_SIZE;
        opts.minSize = minKb_->text().toULongLong() * 1024ull;
        opts.maxSize = maxKb_->text().toULongLong() * 1024ull;
    }
    results_->clear();
    status_->setText(QString::fromStdString(selection::ItemsFoundText(0)));
    searching_ = true;
    searchButton_->setText("Cancel");
    finder_.RemoveAll();
    const int found = finder_.Find(opts);
    searchButton_->setText("Search");
    searching_ = false;
    status_->setText(QString::fromStdString(selection::ItemsFoundText(found)));
}

void CFindFiles::FileFinderProc(selection::FileFinder& finder, selection::FileFinder::Code code) {
    if (code == selection::FileFinder::kFileMatched) AddFileToList(finder.GetFilePath(finder.GetFileCount() - 1));
    if (code != selection::FileFinder::kFileRejected)
        status_->setText(
            QString::fromStdString(selection::SearchingText(finder.GetFileCount(), finder.GetSearchingFolder())));
    // Keeps the dialog responsive; a click on Cancel arrives here.
    QCoreApplication::processEvents();
}

void CFindFiles::AddFileToList(const selection::PathParts& path) {
    const selection::FoundRow row = selection::MakeFoundRow(path);
    auto* item = new QTreeWidgetItem(results_);
    item->setText(0, QString::fromStdString(row.name));
    item->setText(1, QString::fromStdString(row.folder));
    item->setText(2, QString::fromStdString(row.size));
    item->setText(3, QString::fromStdString(row.modified));
}

void CFindFiles::OnRowChosen() {
    QTreeWidgetItem* item = results_->currentItem();
    SearchPick::filename = item->text(0).toStdString();
    SearchPick::foldername = item->text(1).toStdString();
    const std::string path = selection::JoinFolderAndName(SearchPick::foldername, SearchPick::filename);
    state_.databasePath.set(path);
    state_.SourceFileName.set(selection::SourceTitle(path));
    SearchPick::bValue = 1;
}

void CFindFiles::OnBnClickedButton3() {
    if (SearchPick::bValue == 1) {
        accept();
        return;
    }
    MessageService::Show(this, kSelectFile, MsgButtons::Ok, MsgIcon::Stop);
}

void CFindFiles::reject() {
    finder_.StopSearch();
    QDialog::reject();
}

}  // namespace app
