// What the two export dialogs share: the coloured log, the export worker
// with its stop request, the request made from the window's state, and the
// sink through which the export reports to the dialog. The dialogs derive
// their buttons' texts, the closing notice and the folder to show from what
// the sink reports. The worker reaches the dialog only through a UiBridge;
// closing the dialog stops the export, closes the bridge and waits for the
// worker, so no widget is touched after the dialog is gone. The closing
// notice comes once the run has ended: its target closed, its last line
// logged, its worker gone.
#pragma once

#include <app/export_log.h>
#include <app/export_progress.h>
#include <app/ui_bridge.h>

#include <exporting/run_export.h>

#include <app/ferrywell_state.h>

#include <QDialog>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace app {

// Logged when the user stops a run.
inline constexpr char kStoppedByUser[] = "Saving process stopped by user!";

// A mode radio of an export dialog.
struct ModeRadio {
    exporting::OutputKind kind;
    int id;
    const char* text;
};

// The naming and message filter controls, their IDs and labels.
struct FilterLayout {
    int namingList = 0;
    QStringList namings;
    int filterCheck = 0;
    const char* filterText = "";
    const char* endLabel = "";
    int attachmentCheck = 0;
};

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    using FolderOpener = std::function<void(const QString& directory)>;
    // Contacts done of those known so far.
    using ProgressHook = std::function<void(uint64_t done, uint64_t total)>;

    ExportDialog(app::FerrywellState& state, QWidget* parent = nullptr);
    ~ExportDialog() override;

    // The chosen output kind (Saving_Mode, saving_mode1) and destination
    // (MessageSavepath): a folder, or a profile folder's display path.
    exporting::OutputKind SavingMode() const { return mode_; }
    const QString& MessageSavepath() const { return destination_; }

    bool IsExporting() const { return running_; }
    // The stop request the running export reads (abort_process, bStopProcess).
    std::atomic<int>& StopRequest() { return *stop_; }
    CExportLog& Log() { return *log_; }
    const ExportProgress& Progress() const { return *progressBar_; }
    // What an export reaches the dialog through; the dialog wakes an export
    // held back by a full log through it.
    const std::shared_ptr<UiBridge>& Bridge() const { return bridge_; }
    // The outcome of the last export that ran to its end.
    const exporting::ExportOutcome& LastOutcome() const { return outcome_; }
    // Moves a progress bar (the main window's) while an export runs.
    void SetProgressHook(ProgressHook hook) { progress_ = std::move(hook); }

    // Where a finished file export's directory goes: the desktop's file
    // browser by default; tests set their own.
    static void SetFolderOpener(FolderOpener opener);
    static void OpenFolder(const QString& directory);
    // Sees each log line on the export's thread before it goes to the log,
    // so that a test can act at an exact point of an export.
    using LogTap = std::function<void(const std::string& line)>;
    static void SetLogTap(LogTap tap);
    static const LogTap& Tap();

    // Run on the user-interface thread on behalf of the export.
    void UiAppendLines(const std::vector<LogLine>& lines);
    void UiAppendBatch(LogBatch batch);
    // The folder the contacts go into from now on.
    virtual void UiSetTarget(const QString&) {}
    // The run has ended (its target closed, "Completed" in the log, the
    // dialog idle again): says how it went.
    virtual void UiShowOutcome(const exporting::ExportOutcome& outcome) = 0;
    void UiSetProgress(uint64_t done, uint64_t total);
    void UiShowMessage(const QString& text);

    // The user chose kind with its radio.
    virtual void OnModeChosen(exporting::OutputKind kind) = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A run ended and the dialog has said how (its closing notice was shown).
    void exportEnded();

protected:
    // The request with the window's database and scratch folder.
    exporting::ExportRequest RequestFromState() const;
    // False when the request has a problem the user must mend first (said in
    // a message box). A missing destination is not one: the export itself
    // says so in the log.
    bool Acceptable(const exporting::ExportRequest& request);
    // Runs the request on a worker; once the run has ended and the worker is
    // done with the dialog, Finished runs on this thread, then the closing
    // notice is shown and a finished folder opened.
    void StartExport(exporting::ExportRequest request);
    virtual void Finished() = 0;
    // Adds the naming check (1069) and list, the filter check, the two date
    // pickers (1066, 1067; at the opening moment) and the attachment check
    // to grid, wired to enable what they govern.
    void BuildFilterControls(QGridLayout* grid, const FilterLayout& layout);
    // The options the naming and filter controls give.
    exporting::ExportOptions FilterOptions(exporting::OutputKind kind, const QString& destination) const;
    // Asks the stop, lets the worker end without the dialog and waits for it.
    // The dialog takes no further report of that run (nor of a later one).
    void StopAndWait();
    // Asks question while a run goes on; on Yes sets the stop request, logs
    // that the user stopped it and returns true.
    bool AskToStop(const char* question);
    // Closing while a run goes on: asks question; on Yes stops the run and
    // waits, the dialog still up, for its end and the notice that says how it
    // went. False when the run goes on (or is already being stopped for a close).
    bool StopForClose(const char* question);

    // The destination, shown in the path box.
    void SetDestination(const QString& path);
    // Chooses the kind and destination this dialog last exported with, when
    // remembered: the kind if the dialog offers it (a profile folder is
    // picked afresh each time), the destination while the folder exists,
    // which enables start. Called once the radios are connected.
    void RestoreLastChoice(QPushButton* start);
    // Makes each radio of radios_ choose its kind when it becomes checked,
    // by a click, the keyboard or an assistive tool's action alike, and
    // again when the radio already checked is clicked. Called once the
    // opening state is set.
    void ConnectModeRadios();
    // True while a radio is chosen by the arrow keys, which walk the kinds:
    // such a choice opens nothing (no folder picker) by itself.
    bool ChosenByArrowKeys() const { return arrowChoice_; }
    // Enter presses start, the default button, or browse while start is
    // disabled; neither during a run.
    void SetEnterButtons(QPushButton* start, QPushButton* browse);
    void keyPressEvent(QKeyEvent* event) override;

    // The line with the address book's URL, the user name and the password
    // (never remembered: else FERRYWELL_PASSWORD or ~/.netrc, as for the
    // command line), shown while "Save to CardDAV Address Book" is chosen;
    // a URL and a user name enable start (the SetEnterButtons one). Each
    // dialog places it below its path.
    QWidget* AddressBookLine();
    // Shows the line for the CardDAV kind, which has nothing to browse for,
    // and hides it for another.
    void ShowAddressBookLine(exporting::OutputKind kind);

    // Disables, while an export runs, the mode radios, the naming and filter
    // controls and the given ones, noting the state of each; EnableAfterRun
    // gives every one its state back.
    void DisableForRun(std::vector<QWidget*> controls);
    void EnableAfterRun();

    app::FerrywellState& state_;
    exporting::OutputKind mode_ = exporting::OutputKind::Pst;
    QString destination_;
    std::map<exporting::OutputKind, QRadioButton*> radios_;
    QLineEdit* path_;
    CExportLog* log_;
    ExportProgress* progressBar_;  // placed by each dialog's layout
    QCheckBox* naming_ = nullptr;
    QComboBox* namings_ = nullptr;
    QCheckBox* filter_ = nullptr;
    QDateTimeEdit* start_ = nullptr;
    QDateTimeEdit* end_ = nullptr;
    QCheckBox* attachments_ = nullptr;

private:
    void EnableStartForAddressBook();

    QWidget* bookLine_ = nullptr;
    QLineEdit* bookUrl_ = nullptr;
    QLineEdit* bookUser_ = nullptr;
    QLineEdit* bookPassword_ = nullptr;

    // On this thread once the run's worker has handed everything over.
    void RunEnded(exporting::ExportOutcome outcome, const std::string& folder);
    void RunFailed(const std::string& what);

    std::shared_ptr<UiBridge> bridge_ = UiBridge::Create();
    std::shared_ptr<WorkerCount> workers_ = std::make_shared<WorkerCount>();
    std::shared_ptr<std::atomic<int>> stop_ = std::make_shared<std::atomic<int>>(0);
    bool running_ = false;
    bool closing_ = false;  // a close waits for the run's end
    std::map<QWidget*, bool> enabledBeforeRun_;
    bool pressedWhileChecked_ = false;
    bool arrowChoice_ = false;
    QPushButton* enterStart_ = nullptr;
    QPushButton* enterBrowse_ = nullptr;
    exporting::ExportOutcome outcome_;
    ProgressHook progress_;
};

// The export's sink in a dialog: log lines go over in batches (at most
// kBatchLines or kBatchAge old) while the export goes on, one batch on its
// way at a time; the export waits while the log has more than kMaxBacklog
// lines still to show, until the log, taking lines in, wakes it. Progress
// goes over without waiting, at each whole percent and at least every
// kProgressEvery. The target waits until the dialog has taken it,
// after the lines logged before it. The outcome is the run's result, which
// the dialog takes when the run has ended.
class DialogExportSink : public exporting::ExportSink {
public:
    static constexpr std::chrono::milliseconds kBatchAge{30};
    static constexpr size_t kBatchLines = 4000;
    static constexpr size_t kMaxBacklog = 20000;
    static constexpr std::chrono::milliseconds kProgressEvery{200};

    explicit DialogExportSink(ExportDialog* dlg) : bridge_(dlg->Bridge()), dlg_(dlg) {}
    ~DialogExportSink() override { Finish(); }
    void AppendToLog(const std::string& text, uint32_t colour) override;
    void SetProgress(uint64_t done, uint64_t total) override;
    void SetTarget(const std::string& target) override;
    // Hands the waiting lines over; waits for the batch before.
    void Flush();
    // Waits until every line handed over is in the log's queue.
    void Finish();

private:
    std::shared_ptr<UiBridge> bridge_;
    ExportDialog* dlg_;
    LogBatch pending_;
    std::chrono::steady_clock::time_point firstPending_;
    UiBridge::Ticket inFlight_;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point lastShown_;
};

// Names a control after its ID, as every dialog does ("id1006").
template <class Widget>
Widget* WithId(Widget* widget, int id) {
    widget->setObjectName(QString("id%1").arg(id));
    return widget;
}

// done of total in whole percent, at most 100.
int Percent(uint64_t done, uint64_t total);

// The text of a date picker as the date rules read it.
notes::OleDate PickerDate(const QDateTimeEdit& picker);

}  // namespace app
