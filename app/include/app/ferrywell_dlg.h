// The main window: menu, toolbar, folder tree, item list, preview and status
// bar; it owns every user command and starts the analysis, list and preview
// workers. Workers reach the window only through the Ui* members, which a
// UiBridge runs on the user-interface thread.
#pragma once

#include <app/explorer.h>
#include <app/ui_bridge.h>

#include <controls/check_list_ctrl.h>
#include <controls/folder_tree_ctrl.h>
#include <controls/toolbar24.h>
#include <controls/wait_dialog.h>

#include <notes/list_fill.h>
#include <selection/private_folder.h>
#include <app/ferrywell_state.h>

#include <QMainWindow>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMimeData;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSplitter;

namespace app {

inline constexpr char kWindowTitle[] = "Ferrywell Full Ver 2.2(Outlook 32bit)";
inline constexpr char kAskExit[] = "Do you want to Exit ?       ";
inline constexpr char kAskStop[] = "Do you want to stop process ?       ";
inline constexpr char kSelectFolder[] =
    "Which Folder you want to convert? Please select the Folder from Left Tree Hierarchy";
inline constexpr char kSelectItems[] = "Please select items to export";
// Start of the status text and message of a task that stopped on an error;
// the error's own text follows.
inline constexpr char kTaskFailed[] = "The task stopped on an error: ";
inline constexpr char kMakerAddress[] = "www.ferrywell.example";
// The accessible names of the panes and the status bar's progress bar.
inline constexpr char kTreeName[] = "Folders";
inline constexpr char kListName[] = "Contacts";
inline constexpr char kPreviewName[] = "Preview";
inline constexpr char kFilterName[] = "Filter contacts";
inline constexpr char kProgressName[] = "Progress";
// Screens with less room than this (logical pixels) get a tree that keeps its
// names readable rather than its share of the window.
inline constexpr int kSmallScreen = 700;
// Said when Help finds the user guide but the desktop opens nothing for it,
// or finds no guide; the guide's path, or the places looked at, follow.
inline constexpr char kGuideNotOpened[] = "No program of this desktop could open the user guide: ";
inline constexpr char kGuideMissing[] = "The user guide is not installed. Looked for: ";

// Where Help looks for the user guide, in order: share/ferrywell/guide beside
// the program's folder (the build tree and an installation alike), then the
// same below each data folder ($XDG_DATA_HOME, $XDG_DATA_DIRS).
QStringList UserGuidePlaces();

// The window's title with the database at path open: the title the
// database carries with its file name in brackets when the two differ
// ("Company Directory (names.dxl)"), else its file name, before the
// program's own title; the program's title alone while none is open.
QString WindowTitleFor(const std::string& databasePath, const std::string& databaseTitle = {});

// The database file (.dxl or .nsf, a local file) that data brings, if it
// brings exactly one such file; empty otherwise.
QString DroppedDatabase(const QMimeData& data);

// The status bar's count of the listed rows: "1,234 contacts", and
// ", 5 ticked" when any are; "12 of 1,234 contacts" when a filter shows
// fewer than all (shown, -1 for all); empty with none listed.
QString ListCountText(int rows, int ticked, int shown = -1);

// The item list's row for a listed document.
controls::CheckListRow ToListRow(const notes::ListRow& row);

// The contact and the initial column sets of the item list.
std::vector<controls::ListColumn> ContactColumns();
std::vector<controls::ListColumn> InitialColumns();

class CFerrywellDlg : public QMainWindow {
    Q_OBJECT
public:
    explicit CFerrywellDlg(std::shared_ptr<app::FerrywellState> state, QWidget* parent = nullptr);
    ~CFerrywellDlg() override;

    app::FerrywellState& State() { return *state_; }
    controls::CFolderTreeCtrl1& Tree() { return *tree_; }
    controls::CCheckListCtrl& List() { return *list_; }
    QLineEdit& FilterBox() { return *filter_; }
    CExplorer1& Browser() { return *explorer_; }
    QString StatusText() const;
    QString CountText() const;
    int Progress() const;
    int RunningWorkers() const { return workers_->Running(); }
    // The count outlives the window, for waiting on workers it left running.
    std::shared_ptr<const WorkerCount> Workers() const { return workers_; }
    bool IsWaitWindowShown() const { return wait_ != nullptr; }
    // The page file of the preview: "header.html" in a folder of this
    // window's own inside the scratch folder (state.tempFilePath), made when
    // first needed and again when the scratch folder changed or it has gone;
    // removed when the window and the previews writing into it are done.
    // Empty when no such folder can be made.
    std::string PreviewPagePath();
    // What Exit does once confirmed; ends the process by default.
    void SetExitHandler(std::function<void(int)> handler) { exitHandler_ = std::move(handler); }
    // Where Help looks for the user guide instead of UserGuidePlaces().
    void SetUserGuidePlaces(QStringList places) { guidePlaces_ = std::move(places); }
    // Gives the window the size, place and pane sizes it had when the user
    // last exited; false when none are remembered.
    bool RestoreLayout();
    // Opens the database file data brings (see DroppedDatabase); false, and
    // nothing opened, when it brings none.
    bool OpenDropped(const QMimeData& data);
    void SaveLayout() const;
    // The application folder, with a trailing separator.
    static QString GetAppPath();

    // Commands.
    void OnFileBrowse32774();
    void OnFileScan();
    void OnFileExit();
    void OnHelpHowtousesoftware();
    void OnHelpAboutsoft();
    void OnFileExportasaeml();
    void OnBnClickedStop();
    void OnTvnSelchangedTree1(notes::TreeNodeId item);
    void OnNMClickList1();
    void OnNMRClickList1(const QPoint& position);
    // Starts the analysis of state.databasePath (after a confirmed selection).
    void StartAnalysis();
    // Opens and analyses the database at path without the selection dialog,
    // as the command line and the desktop's launcher ask.
    void OpenDatabase(const std::string& path);
    // Runs fn on a worker thread of this window; what it throws is reported
    // in the status bar and a message box instead of ending the program.
    void RunInWorker(std::function<void()> fn);
    // Runs task like RunInWorker with a stop request of its own, which Stop
    // sets while the task runs, and returns the request. Stop is enabled
    // while such a task runs.
    using StopRequest = std::shared_ptr<std::atomic<int>>;
    StopRequest RunStoppable(std::function<void(std::atomic<int>& stop)> task);

    // Run on the user-interface thread on behalf of the workers.
    void UiClearTreeAndList();
    void UiSetContactColumns();
    void UiSetStatusText(const std::string& text);
    void UiSetProgress(int percent);
    void UiEnableExportButton(bool enable);
    void UiSelectFolder(const std::string& path, uint32_t viewIndex);
    void UiShowMessage(const std::string& text);
    // The open database's own title, for the window's title.
    void UiSetDatabaseTitle(const std::string& title);
    void UiReportFailure(const std::string& what);
    void UiDeleteAllRows();
    void UiAddRows(std::vector<controls::CheckListRow>& rows);
    void UiEnableTree(bool enable);
    void UiShowWaitWindow();
    void UiCloseWaitWindow();
    void UiEnableList(bool enable);
    void UiNavigate(const std::string& path);
    void UiTaskEnded(const StopRequest& stop);

signals:
    // The last worker of the window ended: none runs now.
    void workersIdle();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A database file dropped on the window opens as Add File opens it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    void BuildToolbar();
    void BuildStatusBar();
    void BuildCentre();
    // The filter box above the list, and the two in one pane.
    QWidget* BuildListPane();
    void UpdateCount();
    // Lists the databases opened last in the recent menu.
    void FillRecentMenu();
    // Points state.tempFilePath at an existing scratch folder of this
    // process unless it names one already, however the database was chosen.
    void EnsureScratchFolder();
    // Enables or disables a pane; the focus it had while disabled comes back
    // to it when it is enabled again.
    void EnableKeepingFocus(QWidget* pane, bool enable);

    std::shared_ptr<app::FerrywellState> state_;
    std::shared_ptr<UiBridge> bridge_ = UiBridge::Create();
    std::shared_ptr<WorkerCount> workers_ = std::make_shared<WorkerCount>();
    std::function<void(int)> exitHandler_;
    std::shared_ptr<selection::PrivateFolder> previewFolder_;
    QStringList guidePlaces_;

    controls::CToolBar24* toolbar_ = nullptr;
    controls::CFolderTreeCtrl1* tree_ = nullptr;
    controls::CCheckListCtrl* list_ = nullptr;
    QLineEdit* filter_ = nullptr;
    CExplorer1* explorer_ = nullptr;
    QSplitter* vertical_ = nullptr;
    QSplitter* horizontal_ = nullptr;
    QLabel* statusPane_[3] = {};
    QProgressBar* progress_ = nullptr;
    QLabel* count_ = nullptr;
    QAction* menuSave_ = nullptr;
    QMenu* recent_ = nullptr;
    QAction* exportButton_ = nullptr;
    QAction* stopButton_ = nullptr;
    QWidget* focusReturn_ = nullptr;  // the pane the focus goes back to
    // The stop requests of the analysis and list fills running now.
    std::vector<StopRequest> stopRequests_;
    // The analysis and the list fills fill the same tree and list, so they
    // run one at a time: the one running, and what waits for its end.
    StopRequest treeTask_;
    bool treeTaskIsFill_ = false;
    bool analysisWaiting_ = false;
    std::optional<notes::TreeNodeId> fillWaiting_;
    std::unique_ptr<controls::NSFWaitMSG> wait_;
    int waitRequests_ = 0;  // previews that asked for the wait window
};

}  // namespace app
