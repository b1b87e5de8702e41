#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>
#include <app/first_dialog.h>
#include <app/list_items_dialog.h>
#include <app/window_layout.h>
#include <app/worker_views.h>

#include <controls/about_dialog.h>
#include <controls/dialog_services.h>
#include <controls/icons.h>
#include <controls/remembered.h>
#include <controls/screen_fit.h>
#include <controls/theme_colours.h>

#include <notes/analysis.h>
#include <notes/preview.h>

#include <selection/scratch.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace app {

using controls::MessageService;
using controls::MsgButtons;
using controls::MsgIcon;

namespace {
// The window's own folder in the scratch folder, and its page file.
constexpr char kPreviewFolderPrefix[] = "window";
constexpr char kPreviewPageName[] = "header.html";
}  // namespace

controls::CheckListRow ToListRow(const notes::ListRow& r) {
    controls::CheckListRow row;
    row.text = {QString(), QString(), QString::fromStdString(r.no), QString::fromStdString(r.viewIndex),
                QString::fromStdString(r.fullName), QString::fromStdString(r.firstName),
                QString::fromStdString(r.lastName), QString::fromStdString(r.middleInitial),
                QString::fromStdString(r.mailAddress)};
    row.group = r.group;
    return row;
}

std::vector<controls::ListColumn> ContactColumns() {
    return {{"", 50}, {"", 0}, {"NO", 50}, {"", 0}, {"Full Name", 100}, {"First Name", 100}, {"Last Name", 100},
            {"Middle Initial", 100}, {"E-mail Address", 150}};
}

std::vector<controls::ListColumn> InitialColumns() {
    return {{"", 50}, {"", 25}, {"NO", 0}, {"", 0}, {"From", 250}, {"Subject", 300}, {"Date", 150},
            {"Size In Bytes", 100}, {"Attchment", 0}};
}

CFerrywellDlg::CFerrywellDlg(std::shared_ptr<app::FerrywellState> state, QWidget* parent)
    : QMainWindow(parent), state_(std::move(state)), exitHandler_([](int code) {
          // The process ends at once; its scratch folders go first.
          selection::ProcessScratch().RemoveAll();
          std::_Exit(code);
      }) {
    setObjectName("id102");
    setWindowTitle(kWindowTitle);
    setWindowIcon(controls::AppIcon());
    setAcceptDrops(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, controls::BackgroundFor(QColor(245, 245, 245), palette));
    setPalette(palette);
    setAutoFillBackground(true);

    BuildToolbar();
    BuildMenu();
    BuildCentre();
    BuildStatusBar();
    tree_->Init();
    list_->SetColumns(InitialColumns());
    list_->Init();
    explorer_->ShowStartPage();
    EnsureScratchFolder();
    controls::FitToScreen(*this, {1180, 720});
    qApp->installEventFilter(this);
    workers_->SetOnIdle([bridge = bridge_, dlg = this] {
        bridge->Post([dlg] {
            if (dlg->RunningWorkers() == 0) emit dlg->workersIdle();
        });
    });
}

CFerrywellDlg::~CFerrywellDlg() {
    qApp->removeEventFilter(this);
    // Workers still running find the window gone and end on their own.
    bridge_->Close();
    for (const StopRequest& stop : stopRequests_) stop->store(1);
}

void CFerrywellDlg::EnsureScratchFolder() {
    std::error_code ec;
    const std::string scratch = state_->tempFilePath.get();
    if (scratch.empty() || !std::filesystem::is_directory(scratch, ec))
        state_->tempFilePath.set(selection::ProcessScratch().Default());
}

QString CFerrywellDlg::GetAppPath() { return QCoreApplication::applicationDirPath() + "/"; }

std::string CFerrywellDlg::PreviewPagePath() {
    EnsureScratchFolder();
    const std::string scratch = state_->tempFilePath.get();
    // A preview still writing into the folder it was given keeps that one
    // until it ends.
    if (!previewFolder_ || previewFolder_->Parent() != scratch || !previewFolder_->Exists())
        previewFolder_ = std::make_shared<selection::PrivateFolder>(scratch, kPreviewFolderPrefix);
    if (previewFolder_->Path().empty()) return {};
    return previewFolder_->Path() + kPreviewPageName;
}

void CFerrywellDlg::BuildToolbar() {
    toolbar_ = new controls::CToolBar24(this);
    toolbar_->setObjectName("toolbar");
    LayOutToolbar(*toolbar_);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    QStyle* s = style();
    struct Button {
        const char* id;
        const char* text;
        QStyle::StandardPixmap icon;
        void (CFerrywellDlg::*handler)();
    } buttons[] = {
        {"id32774", " Add File ", QStyle::SP_DialogOpenButton, &CFerrywellDlg::OnFileBrowse32774},
        {"id32775", " Export File ", QStyle::SP_DialogSaveButton, &CFerrywellDlg::OnFileScan},
        {"id1022", " Stop ", QStyle::SP_BrowserStop, &CFerrywellDlg::OnBnClickedStop},
        {"id32779", " About ", QStyle::SP_MessageBoxInformation, &CFerrywellDlg::OnHelpAboutsoft},
        {"id32776", " Exit ", QStyle::SP_DialogCloseButton, &CFerrywellDlg::OnFileExit},
    };
    for (const Button& b : buttons) {
        QAction* action = toolbar_->addAction(s->standardIcon(b.icon), b.text);
        action->setObjectName(b.id);
        // Queued, so that whatever triggered the command (an assistive tool's
        // action, say) has its answer before a dialog of the command runs.
        connect(action, &QAction::triggered, this, b.handler, Qt::QueuedConnection);
        // Tab reaches the buttons too; Space presses the one with the focus.
        toolbar_->widgetForAction(action)->setFocusPolicy(Qt::TabFocus);
        toolbar_->addSeparator();
        if (std::string_view(b.id) == "id32775") exportButton_ = action;
        if (std::string_view(b.id) == "id1022") stopButton_ = action;
    }
    exportButton_->setEnabled(false);
    stopButton_->setEnabled(false);  // until an analysis or a list fill runs

    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    auto* logo = new QLabel(toolbar_);
    logo->setObjectName("id1035");
    QPixmap picture(GetAppPath() + "logo.bmp");
    logo->setPixmap(picture.isNull() ? controls::ProductBanner(210, 48) : picture);
    toolbar_->addWidget(logo);
}

void CFerrywellDlg::BuildMenu() {
    QMenu* file = menuBar()->addMenu("&File");
    auto add = [this](QMenu* menu, const char* text, const char* id, void (CFerrywellDlg::*handler)(),
                      QKeySequence key) {
        QAction* action = menu->addAction(text);
        action->setObjectName(id);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler, Qt::QueuedConnection);
        return action;
    };
    // "&&" is the ampersand itself; the letter after a single "&" is the mnemonic.
    // The shortcuts of Linux desktops, whatever key scheme the platform reports.
    add(file, "&Browse&&Scan", "menu32774", &CFerrywellDlg::OnFileBrowse32774, Qt::CTRL | Qt::Key_O);
    recent_ = file->addMenu("&Recent Databases");
    recent_->setObjectName("menuRecent");
    connect(recent_, &QMenu::aboutToShow, this, &CFerrywellDlg::FillRecentMenu);
    menuSave_ = add(file, "&Save", "menu32775", &CFerrywellDlg::OnFileScan, Qt::CTRL | Qt::Key_S);
    add(file, "E&xit", "menu32776", &CFerrywellDlg::OnFileExit, Qt::CTRL | Qt::Key_Q);
    QMenu* help = menuBar()->addMenu("&Help");
    add(help, "&How To Use Software", "menu32778", &CFerrywellDlg::OnHelpHowtousesoftware, Qt::Key_F1);
    add(help, "&About Software Version", "menu32779", &CFerrywellDlg::OnHelpAboutsoft, {});
    // Save and the toolbar's Export File are one command: one state.
    menuSave_->setEnabled(exportButton_->isEnabled());
    connect(exportButton_, &QAction::enabledChanged, menuSave_, &QAction::setEnabled);
    // F10 opens the menu bar, as in other desktop programs.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
}

void CFerrywellDlg::BuildCentre() {
    tree_ = new controls::CFolderTreeCtrl1(this);
    tree_->setObjectName("id1003");
    list_ = new controls::CCheckListCtrl(this);
    list_->setObjectName("id1004");
    explorer_ = new CExplorer1(this);
    explorer_->setObjectName("id1005");
    // What screen readers call the panes.
    tree_->setAccessibleName(kTreeName);
    list_->setAccessibleName(kListName);
    explorer_->setAccessibleName(kPreviewName);
    const PaneLayout panes = LayOutPanes(*this, tree_, BuildListPane(), explorer_);
    vertical_ = panes.vertical;
    horizontal_ = panes.horizontal;
    // On a small screen (a scaled one) the tree's share of a narrow window
    // would cut its names; it keeps the width of "By Category" with its
    // indentation, check box and icon.
    if (controls::ScreenRoom(*this).width() < kSmallScreen)
        tree_->setMinimumWidth(tree_->fontMetrics().horizontalAdvance("By Category") + tree_->indentation() * 2 +
                               style()->pixelMetric(QStyle::PM_SmallIconSize) +
                               style()->pixelMetric(QStyle::PM_IndicatorWidth) + 32);

    // Tab goes from the tree to the filter box, then the list it filters.
    setTabOrder(tree_, filter_);
    setTabOrder(filter_, list_);

    connect(tree_, &controls::CFolderTreeCtrl1::folderSelected, this, &CFerrywellDlg::OnTvnSelchangedTree1);
    connect(list_, &QAbstractItemView::clicked, this, [this](const QModelIndex&) { OnNMClickList1(); });
    // The preview follows the row the keyboard moves to as well.
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { OnNMClickList1(); });
    connect(list_, &QWidget::customContextMenuRequested, this, &CFerrywellDlg::OnNMRClickList1);
    connect(&list_->Model(), &controls::CheckListModel::checksChanged, this, &CFerrywellDlg::UpdateCount);
    connect(list_, &controls::CCheckListCtrl::shownRowsChanged, this, &CFerrywellDlg::UpdateCount);
    // Ordered by a header click, the previewed row has another position.
    connect(&list_->Model(), &QAbstractItemModel::layoutChanged, this,
            [this] { state_->poslast.store(list_->FirstSelectedRow() + 1); });
}

void CFerrywellDlg::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    LayOutStatusBar(*bar);
    const char* texts[] = {"Ferrywell", kMakerAddress, ""};
    const int widths[] = {290, 220, 140};
    // A screen with less room than the panes' widths (and the progress bar
    // beside them) ask for narrows them all alike.
    const double narrowing = std::min(1.0, 0.7 * controls::ScreenRoom(*this).width() / (290 + 220 + 140));
    for (int i = 0; i < 3; ++i) {
        statusPane_[i] = new QLabel(texts[i], bar);
        statusPane_[i]->setObjectName(QString("pane%1").arg(i));
        statusPane_[i]->setFixedWidth(int(widths[i] * narrowing));
        bar->addWidget(statusPane_[i]);
    }
    count_ = new QLabel(bar);
    count_->setObjectName("listCount");
    bar->addWidget(count_);
    progress_ = new QProgressBar(bar);
    progress_->setObjectName("id1017");
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(kProgressName);
    bar->addWidget(progress_, 1);
}

QString CFerrywellDlg::StatusText() const { return statusPane_[2]->text(); }
QString CFerrywellDlg::CountText() const { return count_->text(); }

int CFerrywellDlg::Progress() const { return progress_->value(); }

void CFerrywellDlg::OnFileBrowse32774() {
    state_->ibrowsefile.store(0);
    {
        FirstDialog dialog(*state_, this);
        dialog.exec();
    }
    if (state_->ibrowsefile.load() == 1) {
        state_->ibrowsefile.store(0);
        StartAnalysis();
    }
}

void CFerrywellDlg::OpenDatabase(const std::string& path) {
    state_->databasePath.set(path);
    state_->SourceFileName.set(selection::SourceTitle(path));
    EnsureScratchFolder();
    StartAnalysis();
}

void CFerrywellDlg::RunInWorker(std::function<void()> fn) {
    StartWorker(workers_, std::move(fn), [bridge = bridge_, dlg = this](const std::string& what) {
        bridge->Call([dlg, what] { dlg->UiReportFailure(what); });
    });
}

CFerrywellDlg::StopRequest CFerrywellDlg::RunStoppable(std::function<void(std::atomic<int>& stop)> task) {
    auto stop = std::make_shared<std::atomic<int>>(0);
    RegisterStopRequest(stop);
    stopRequests_.push_back(stop);
    stopButton_->setEnabled(true);
    RunInWorker([task = std::move(task), stop, bridge = bridge_, dlg = this] {
        // The window hears of the end however the task ends.
        struct Ended {
            std::function<void()> fn;
            ~Ended() { fn(); }
        } ended{[&] { bridge->Call([dlg, stop] { dlg->UiTaskEnded(stop); }); }};
        task(*stop);
    });
    return stop;
}

void CFerrywellDlg::UiTaskEnded(const StopRequest& stop) {
    std::erase(stopRequests_, stop);
    stopButton_->setEnabled(!stopRequests_.empty());
    if (stop != treeTask_) return;
    treeTask_.reset();
    // The next tree task in turn: an analysis first, else the last view asked for.
    if (std::exchange(analysisWaiting_, false)) {
        StartAnalysis();
    } else if (fillWaiting_) {
        const notes::TreeNodeId item = *fillWaiting_;
        fillWaiting_.reset();
        OnTvnSelchangedTree1(item);
    }
}

void CFerrywellDlg::StartAnalysis() {
    setWindowTitle(WindowTitleFor(state_->databasePath.get()));
    controls::AddRecentDatabase(QString::fromStdString(state_->databasePath.get()));
    if (treeTask_) {
        // A new database: what runs now is for the old one.
        analysisWaiting_ = true;
        fillWaiting_.reset();
        treeTask_->store(1);
        return;
    }
    treeTaskIsFill_ = false;
    treeTask_ = RunStoppable([state = state_, bridge = bridge_, dlg = this](std::atomic<int>& stop) {
        DialogAnalysisView view(bridge, dlg);
        notes::AnalyseContactViews(*state, view, stop);
    });
}

void CFerrywellDlg::OnFileScan() {
    std::vector<notes::FolderRecord> checked;
    for (const notes::FolderRecord& record : state_->folders.Snapshot())
        if (tree_->GetCheck(record.treeItem) == 1) checked.push_back(record);
    if (checked.empty()) {
        MessageService::Show(this, kSelectFolder, MsgButtons::Ok, MsgIcon::None);
        return;
    }
    EnsureScratchFolder();
    CConvertNotes dialog(*state_, std::move(checked), this);
    dialog.SetProgressHook([this](uint64_t done, uint64_t total) { UiSetProgress(Percent(done, total)); });
    dialog.exec();
}

void CFerrywellDlg::OnFileExportasaeml() {
    if (list_->Model().CheckedCount() == 0) {
        MessageService::Show(this, kSelectItems, MsgButtons::Ok, MsgIcon::Question);
        return;
    }
    EnsureScratchFolder();
    CSINGLENSFMAILSAVE dialog(*state_, list_->Model(), this);
    dialog.SetProgressHook([this](uint64_t done, uint64_t total) { UiSetProgress(Percent(done, total)); });
    dialog.exec();
}

void CFerrywellDlg::OnFileExit() {
    if (MessageService::Show(this, kAskExit, MsgButtons::YesNo, MsgIcon::Question) != controls::MsgAnswer::Yes) return;
    SaveLayout();
    exitHandler_(0);
}

void CFerrywellDlg::OnBnClickedStop() {
    if (stopRequests_.empty()) return;
    if (MessageService::Show(this, kAskStop, MsgButtons::YesNo, MsgIcon::Question) != controls::MsgAnswer::Yes)
        return;
    // What runs now stops; a task that ended meanwhile takes no request along.
    for (const StopRequest& stop : stopRequests_) stop->store(1);
}

QStringList UserGuidePlaces() {
    QStringList places{QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/ferrywell/guide/index.html")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        places << QDir::cleanPath(data + "/ferrywell/guide/index.html");
    places.removeDuplicates();
    return places;
}

void CFerrywellDlg::OnHelpHowtousesoftware() {
    const QStringList places = guidePlaces_.isEmpty() ? UserGuidePlaces() : guidePlaces_;
    for (const QString& guide : places) {
        if (!QFileInfo(guide).isFile()) continue;
        // The desktop's handler of local files shows it (xdg-open and the like).
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
            MessageService::Show(this, kGuideNotOpened + guide, MsgButtons::Ok, MsgIcon::Stop);
        return;
    }
    MessageService::Show(this, kGuideMissing + places.join(", "), MsgButtons::Ok, MsgIcon::Stop);
}

void CFerrywellDlg::OnHelpAboutsoft() {
    controls::CAboutDlg about(this);
    about.exec();
}

void CFerrywellDlg::OnTvnSelchangedTree1(notes::TreeNodeId item) {
    if (treeTask_) {
        // A view chosen during an analysis waits for its end; one chosen
        // during a fill replaces the view being listed. A node of the tree an
        // analysis is about to replace lists nothing.
        if (analysisWaiting_) return;
        fillWaiting_ = item;
        if (treeTaskIsFill_) treeTask_->store(1);
        return;
    }
    treeTaskIsFill_ = true;
    treeTask_ = RunStoppable([state = state_, bridge = bridge_, dlg = this, item](std::atomic<int>& stop) {
        DialogListView view(bridge, dlg);
        notes::ListTreeFolder(*state, view, item, stop);
        view.Flush();
        view.Finish();
        bridge->Call([dlg] { dlg->List().FitColumns(); });
    });
}

void CFerrywellDlg::OnNMClickList1() {
    const int p = list_->FirstSelectedRow() + 1;
    if (p == 0 || p == state_->poslast.load()) return;
    state_->poslast.store(p);
    const controls::CheckListRow& row = list_->Model().Row(p - 1);
    state_->previewEntry.store(row.text[2].toInt());
    state_->previewView.store(row.text[3].toInt());
    const std::string page = PreviewPagePath();
    // The worker holds the page's folder, so that it outlives a closed window
    // until the page is written.
    RunInWorker([state = state_, bridge = bridge_, dlg = this, page, folder = previewFolder_] {
        DialogPreviewView view(bridge, dlg);
        notes::PreviewChosenRow(*state, view, page);
    });
}

void CFerrywellDlg::OnNMRClickList1(const QPoint& position) {
    QMenu menu(this);
    QAction* exportItems = menu.addAction("Export List Items");
    exportItems->setObjectName("id32781");
    if (menu.exec(list_->viewport()->mapToGlobal(position)) == exportItems) OnFileExportasaeml();
}

void CFerrywellDlg::UiClearTreeAndList() {
    tree_->DeleteAllItems();
    UiDeleteAllRows();
}

void CFerrywellDlg::UiSetContactColumns() { list_->SetColumns(ContactColumns()); }

void CFerrywellDlg::UiSetStatusText(const std::string& text) { statusPane_[2]->setText(QString::fromStdString(text)); }

void CFerrywellDlg::UiSetProgress(int percent) { progress_->setValue(percent); }

void CFerrywellDlg::UiEnableExportButton(bool enable) { exportButton_->setEnabled(enable); }

void CFerrywellDlg::UiSelectFolder(const std::string& path, uint32_t viewIndex) {
    tree_->SelectFolder(path, viewIndex, state_->folders);
}

void CFerrywellDlg::UiSetDatabaseTitle(const std::string& title) {
    setWindowTitle(WindowTitleFor(state_->databasePath.get(), title));
}

void CFerrywellDlg::UiShowMessage(const std::string& text) {
    MessageService::Show(this, QString::fromStdString(text), MsgButtons::Ok, MsgIcon::Question);
}

void CFerrywellDlg::UiReportFailure(const std::string& what) {
    const QString text = QString(kTaskFailed) + QString::fromStdString(what);
    statusPane_[2]->setText(text);
    MessageService::Show(this, text, MsgButtons::Ok, MsgIcon::Stop);
}

void CFerrywellDlg::UiDeleteAllRows() {
    list_->DeleteAllRows();
    // A refilled list starts without a last previewed row.
    state_->poslast.store(0);
}

void CFerrywellDlg::UiAddRows(std::vector<controls::CheckListRow>& rows) {
    const bool first = list_->Model().rowCount() == 0;
    list_->Model().AppendRows(std::move(rows));
    // The first rows of a long list show fitted columns while the rest come.
    if (first) list_->FitColumns();
}

void CFerrywellDlg::UiEnableTree(bool enable) { EnableKeepingFocus(tree_, enable); }

void CFerrywellDlg::UiShowWaitWindow() {
    ++waitRequests_;
    if (wait_) return;
    wait_ = std::make_unique<controls::NSFWaitMSG>(this);
    wait_->ShowCentred();
}

void CFerrywellDlg::UiCloseWaitWindow() {
    if (waitRequests_ > 0 && --waitRequests_ == 0) wait_.reset();
}

void CFerrywellDlg::UiEnableList(bool enable) { EnableKeepingFocus(list_, enable); }

void CFerrywellDlg::EnableKeepingFocus(QWidget* pane, bool enable) {
    QWidget* focus = focusWidget();
    if (!enable) {
        // Disabling the pane with the focus would hand the focus on to the
        // next pane (the list, the preview); the window holds it meanwhile.
        if (focus && (focus == pane || pane->isAncestorOf(focus))) {
            focusReturn_ = pane;
            setFocus(Qt::OtherFocusReason);
        }
        pane->setEnabled(false);
        return;
    }
    pane->setEnabled(true);
    // Back to the pane, unless the user has put the focus elsewhere meanwhile.
    if (focusReturn_ != pane) return;
    focusReturn_ = nullptr;
    if (!focus || focus == this) pane->setFocus(Qt::OtherFocusReason);
}

void CFerrywellDlg::UiNavigate(const std::string& path) { explorer_->Navigate(QString::fromStdString(path)); }

void CFerrywellDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnFileExit();
}

bool CFerrywellDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Escape still leaves the menu bar after F10 or Alt.
        if (widget && widget->window() == this && !qobject_cast<QMenuBar*>(widget)) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool enterOrEscape =
                key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
            const bool copy = key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier);
            // Escape in the filter box empties it: every row shows again.
            if (key->key() == Qt::Key_Escape && widget == filter_ && event->type() == QEvent::KeyPress) filter_->clear();
            if (enterOrEscape || copy) return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace app
