#include "test_support.h"

#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>
#include <app/folder_picker_dialog.h>
#include <app/list_items_dialog.h>

#include <notes/contact_entries.h>
#include <store/session.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QScopeGuard>
#include <QtTest>

#include <memory>

#include <unistd.h>

using app::CConvertNotes;
using app::CSINGLENSFMAILSAVE;
using controls::MsgAnswer;
using exporting::OutputKind;

namespace {

const QString kSample = QString(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";

bool Enabled(QWidget& dialog, int id) { return Child(dialog, id)->isEnabled(); }

// The enabled state of each control, in the order given.
QList<bool> EnabledStates(QWidget& dialog, std::initializer_list<int> ids) {
    QList<bool> states;
    for (int id : ids) states << Enabled(dialog, id);
    return states;
}

// Returns once every call that workers queued for the user-interface thread
// so far has been taken (run, or dropped for a closed window): one queued
// now comes after them.
void DrainQueuedCalls() {
    bool taken = false;
    app::UiBridge::Create()->Post([&taken] { taken = true; });
    QTRY_VERIFY_WITH_TIMEOUT(taken, 60000);
}

QStringList FilesBelow(const QString& dir) {
    QStringList files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

}  // namespace

class ExportDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void convertNotesOpeningState();
    void convertNotesRadiosAndChecks();
    void profileFolderIsPickedFromTheStores();
    void profileExportLandsInThePickedFolder();
    void convertNotesBrowseSaveStopAndLog();
    void ignoreAlreadySavedReachesTheExport();
    void stopDuringTheThirdDocument();
    void aTreeExportLeavesTheListedViewAlone();
    void listItemsOpeningState();
    void listItemsRadiosBrowseAndProfile();
    void listItemsExportOfTickedRows();
    void closingDuringAnExportStopsAndWaits();
    void mainWindowOpensTheDialogs();
    void radiosChooseTheirKindHoweverChecked();
    void openedFromTheCommandLineBothDialogsWritePdf();
    void aRunThatWritesNothingSaysWhy();
    void bothDialogsNameFilesByFileAs();
    void theClosingNoticeComesWhenTheRunIsOver();
    void progressSaysCountsAndTimeLeft();
    void addressBookLineExportsIntoAServer();

private:
    // The database analysed in a main window; the records of its folders.
    void OpenSample(const QString& db = kSample);
    notes::FolderRecord Record(const std::string& name);
    void ListFolder(const std::string& name);
    // A folder "Inbox" in the profile's default store.
    void MakeInbox();
    // Answers the next folder picker with that folder, or cancels it.
    void PickInbox(bool accept);
    // Starts the export and waits for its end.
    void RunToEnd(app::ExportDialog& dialog, QPushButton* start);

    QTemporaryDir profile_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<app::CFerrywellDlg> main_;
    QStringList opened_;
};

void ExportDialogsTest::initTestCase() {
    QVERIFY(profile_.isValid());
    qputenv("FERRYWELL_PROFILE", profile_.filePath("profile").toUtf8());
    app::ExportDialog::SetFolderOpener([this](const QString& dir) { opened_ << dir; });
}

void ExportDialogsTest::cleanupTestCase() {
    app::ExportDialog::SetFolderOpener(nullptr);
    qunsetenv("FERRYWELL_PROFILE");
}

void ExportDialogsTest::init() {
    dialogs_ = std::make_unique<ScriptedDialogs>();
    opened_.clear();
}

void ExportDialogsTest::cleanup() {
    app::ExportDialog::SetLogTap(nullptr);
    if (main_) QTRY_COMPARE_WITH_TIMEOUT(main_->RunningWorkers(), 0, 60000);
    main_.reset();
    dialogs_.reset();
}

void ExportDialogsTest::OpenSample(const QString& db) {
    main_ = std::make_unique<app::CFerrywellDlg>(std::make_shared<app::FerrywellState>());
    main_->SetExitHandler([](int) {});
    auto& state = main_->State();
    state.databasePath.set(db.toStdString());
    state.SourceFileName.set(QFileInfo(db).baseName().toStdString());
    state.tempFilePath.set(profile_.filePath("scratch").toStdString());
    QDir().mkpath(profile_.filePath("scratch"));
    main_->StartAnalysis();
    QTRY_COMPARE_WITH_TIMEOUT(main_->RunningWorkers(), 0, 60000);
    QCOMPARE(state.folders.Snapshot().size(), size_t(3));
}

notes::FolderRecord ExportDialogsTest::Record(const std::string& name) {
    for (const auto& record : main_->State().folders.Snapshot())
        if (record.folderName == name) return record;
    return {};
}

void ExportDialogsTest::ListFolder(const std::string& name) {
    main_->Tree().SelectItem(Record(name).treeItem);
    QTRY_COMPARE_WITH_TIMEOUT(main_->RunningWorkers(), 0, 60000);
}

void ExportDialogsTest::RunToEnd(app::ExportDialog& dialog, QPushButton* start) {
    QVERIFY(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(dialog.IsExporting());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsExporting(), 120000);
}

void ExportDialogsTest::convertNotesOpeningState() {
    app::FerrywellState state;
    CConvertNotes dlg(state, {});
    QCOMPARE(dlg.windowTitle(), QString("Select Saving Option Type"));
    const std::pair<int, const char*> labels[] = {
        {1006, "Save in Outlook(Create New PST file .pst file)..."}, {1023, "Save to Outlook Profile"},
        {1007, "Save as MSG File(.msg)"}, {1009, "Save as HTML File(.html)"}, {1024, "Save as TXT File(.txt)"},
        {1025, "Save as DOC File(.doc)"}, {1028, "Save as RTF File"}, {1027, "Save as MHTML File"},
        {1029, "Save as PDF File"}, {1048, "Save as vCard (*.vcf)"}, {1049, "Export to CSV"},
        {1035, "Split PST"}, {1062, "Ignore already saved message"}, {1069, "  Naming Convention :"},
        {1064, "   Message Filter   "}, {1068, "Message has attachment(s)."}, {1010, "Browse"},
        {1037, "Save"}, {1011, "Stop"}};
    for (const auto& [id, text] : labels) QCOMPARE(Child<QAbstractButton>(dlg, id)->text(), QString(text));
    QCOMPARE(Child<QLabel>(dlg, 1040)->text(), QString("Select the output type option to save recovered data"));
    QCOMPARE(Child<QLabel>(dlg, 1042)->text(), QString("Saving Status:"));
    QVERIFY(Child<QLineEdit>(dlg, 1000)->isReadOnly());
    QVERIFY(Child(dlg, 1044));
    QVERIFY(Child(dlg, 1066) && Child(dlg, 1067));

    auto* sizes = Child<QComboBox>(dlg, 1036);
    QStringList sizeTexts;
    for (int i = 0; i < sizes->count(); ++i) sizeTexts << sizes->itemText(i);
    QCOMPARE(sizeTexts, (QStringList{"1GB", "2GB", "3GB", "4GB", "5GB"}));
    auto* namings = Child<QComboBox>(dlg, 1063);
    QStringList namingTexts;
    for (int i = 0; i < namings->count(); ++i) namingTexts << namings->itemText(i);
    QCOMPARE(namingTexts, (QStringList{"Subject", "Date+Subject", "From+Date+Subject", "Subject+Date+From", "Subject+Date", "File As"}));
    QCOMPARE(namings->currentText(), QString("Subject"));

    QCOMPARE(dlg.SavingMode(), OutputKind::Pst);
    QVERIFY(Child<QRadioButton>(dlg, 1006)->isChecked());
    QCOMPARE(EnabledStates(dlg, {1035, 1036, 1010, 1063, 1066, 1067, 1068, 1037, 1011}),
             (QList<bool>{true, true, true, false, false, false, false, false, false}));
    // "Ignore already saved message": there and free to tick before a run.
    QVERIFY(!Child(dlg, 1062)->isHidden());
    QVERIFY(Enabled(dlg, 1062));
    QVERIFY(!Child<QCheckBox>(dlg, 1062)->isChecked());
    QVERIFY(!dlg.Options().skipSaved);
}

void ExportDialogsTest::convertNotesRadiosAndChecks() {
    app::FerrywellState state;
    CConvertNotes dlg(state, {});
    auto* naming = Child<QCheckBox>(dlg, 1069);
    // Each file kind: Split PST and its list off, Browse on; the naming check
    // on, except for CSV (off) and MHTML (left as it was).
    struct Case {
        int id;
        OutputKind kind;
        bool namingBefore, namingAfter;
    } cases[] = {
        {1007, OutputKind::Msg, false, true},   {1009, OutputKind::Html, false, true},
        {1024, OutputKind::Txt, false, true},   {1025, OutputKind::Doc, false, true},
        {1028, OutputKind::Rtf, false, true},   {1029, OutputKind::Pdf, false, true},
        {1048, OutputKind::Vcf, false, true},   {1049, OutputKind::Csv, true, false},
        {1027, OutputKind::Mhtml, false, false}, {1027, OutputKind::Mhtml, true, true},
    };
    for (const Case& c : cases) {
        naming->setEnabled(c.namingBefore);
        Child<QRadioButton>(dlg, 1006)->click();
        QCOMPARE(EnabledStates(dlg, {1035, 1036, 1010, 1069}), (QList<bool>{true, true, true, false}));
        naming->setEnabled(c.namingBefore);
        Child<QRadioButton>(dlg, c.id)->click();
        QCOMPARE(dlg.SavingMode(), c.kind);
        QVERIFY(Child<QRadioButton>(dlg, c.id)->isChecked());
        QVERIFY(!Child<QRadioButton>(dlg, 1006)->isChecked());
        QCOMPARE(EnabledStates(dlg, {1035, 1036, 1010}), (QList<bool>{false, false, true}));
        QCOMPARE(naming->isEnabled(), c.namingAfter);
    }

    // Each check enables what it governs, and clearing it disables that again.
    Child<QRadioButton>(dlg, 1007)->click();
    struct Check {
        int id;
        std::vector<int> governs;
    } checks[] = {{1069, {1063}}, {1064, {1066, 1067, 1068}}};
    for (const Check& c : checks) {
        for (bool on : {true, false}) {
            Child<QCheckBox>(dlg, c.id)->setChecked(on);
            for (int id : c.governs) QCOMPARE(Enabled(dlg, id), on);
        }
    }
    Child<QRadioButton>(dlg, 1006)->click();
    Child<QCheckBox>(dlg, 1035)->setChecked(true);
    QVERIFY(Enabled(dlg, 1036));
    Child<QCheckBox>(dlg, 1035)->setChecked(false);
    QVERIFY(!Enabled(dlg, 1036));

    // What Save hands over: naming, split size, filter range and attachments.
    Child<QCheckBox>(dlg, 1035)->setChecked(true);
    Child<QComboBox>(dlg, 1036)->setCurrentIndex(1);
    Child<QCheckBox>(dlg, 1068)->setChecked(true);
    exporting::ExportOptions o = dlg.Options();
    QVERIFY(o.splitPst);
    QCOMPARE(o.splitSize, 2 * exporting::kGiB);
    QVERIFY(!o.filterOn);
    QVERIFY(!o.requireAttachments);  // no filter, no filtering at all
    Child<QComboBox>(dlg, 1036)->setCurrentIndex(-1);
    QCOMPARE(dlg.Options().splitSize, 5 * exporting::kGiB);
    Child<QCheckBox>(dlg, 1064)->setChecked(true);
    Child<QDateTimeEdit>(dlg, 1066)->setDateTime(QDateTime(QDate(2001, 5, 22), QTime(10, 36, 36)));
    Child<QCheckBox>(dlg, 1069)->setChecked(true);
    Child<QComboBox>(dlg, 1063)->setCurrentIndex(2);
    o = dlg.Options();
    QVERIFY(o.filterOn && o.requireAttachments && o.namingOn);
    QCOMPARE(o.naming, std::string("From+Date+Subject"));
    QVERIFY(o.filterStart.valid);
    QCOMPARE(o.filterStart.value, notes::ConvertString2Date("2001-05-22 10:36:36").value);
}

void ExportDialogsTest::MakeInbox() {
    store::Session session;
    session.Logon();
    session.EnsureFolderPath("\\\\Personal Folders\\Inbox");
    session.Logoff();
}

void ExportDialogsTest::PickInbox(bool accept) {
    QTimer::singleShot(0, this, [accept] {
        auto* picker = qobject_cast<app::CPickFolderDlg*>(QApplication::activeModalWidget());
        QVERIFY(picker);
        QCOMPARE(picker->windowTitle(), QString("Please Select Folder"));
        QTreeWidget& tree = picker->Tree();
        QTreeWidgetItem* storeNode = tree.topLevelItem(0);
        QCOMPARE(storeNode->text(0), QString("Personal Folders"));
        QTreeWidgetItem* inbox = nullptr;
        for (int i = 0; i < storeNode->childCount(); ++i)
            if (storeNode->child(i)->text(0) == "Inbox") inbox = storeNode->child(i);
        QVERIFY(inbox);
        tree.setCurrentItem(inbox);
        accept ? picker->accept() : picker->reject();
    });
}

void ExportDialogsTest::profileFolderIsPickedFromTheStores() {
    MakeInbox();
    app::FerrywellState state;
    CConvertNotes dlg(state, {});
    // A cancelled picker gives the kind chosen before back.
    PickInbox(false);
    Child<QRadioButton>(dlg, 1023)->click();
    QCOMPARE(dlg.SavingMode(), OutputKind::Pst);
    QVERIFY(Child<QRadioButton>(dlg, 1006)->isChecked());
    QCOMPARE(EnabledStates(dlg, {1035, 1036, 1010, 1069, 1037}), (QList<bool>{true, true, true, false, false}));
    QCOMPARE(dlg.MessageSavepath(), QString());
    PickInbox(true);
    Child<QRadioButton>(dlg, 1023)->click();
    QCOMPARE(dlg.MessageSavepath(), QString("\\\\Personal Folders\\Inbox"));
    QCOMPARE(Child<QLineEdit>(dlg, 1000)->text(), dlg.MessageSavepath());
    QVERIFY(Enabled(dlg, 1037));
    QCOMPARE(dlg.Options().destination, std::string("\\\\Personal Folders\\Inbox"));
    // Leaving the profile for a file kind clears the destination.
    Child<QRadioButton>(dlg, 1007)->click();
    QCOMPARE(dlg.MessageSavepath(), QString());
    QCOMPARE(Child<QLineEdit>(dlg, 1000)->text(), QString());
    QVERIFY(!Child<QRadioButton>(dlg, 1023)->isChecked());

    // The list dialog builds the same path, but only Browse enables its start.
    controls::CheckListModel rows;
    CSINGLENSFMAILSAVE list(state, rows);
    PickInbox(false);
    Child<QRadioButton>(list, 1009)->click();
    QCOMPARE(list.SavingMode(), OutputKind::Pst);  // cancelled: PST again
    PickInbox(true);
    Child<QRadioButton>(list, 1009)->click();
    QCOMPARE(list.SavingMode(), OutputKind::Profile);
    QCOMPARE(list.MessageSavepath(), QString("\\\\Personal Folders\\Inbox"));
    QCOMPARE(EnabledStates(list, {1010, 1012, 1069, 1034}), (QList<bool>{false, false, false, false}));
    QVERIFY(dialogs_->messages.isEmpty());

    // The arrow keys pass the profile without a picker, and without a
    // destination to save into; Enter then asks for the folder.
    for (app::ExportDialog* d : std::initializer_list<app::ExportDialog*>{&dlg, &list}) {
        const bool tree = d == &dlg;
        d->show();
        QVERIFY(QTest::qWaitForWindowActive(d));
        auto* pst = Child<QRadioButton>(*d, 1006);
        pst->click();
        dialogs_->paths.push_back(profile_.path());
        Child<QPushButton>(*d, tree ? 1010 : 1033)->click();  // Browse: a folder, and Save enabled
        QCOMPARE(d->MessageSavepath(), profile_.path());
        pst->setFocus();
        QTest::keyClick(pst, tree ? Qt::Key_Down : Qt::Key_Right);  // the next radio is the profile's
        QCOMPARE(d->SavingMode(), OutputKind::Profile);
        QCOMPARE(d->MessageSavepath(), QString());
        QVERIFY(!Enabled(*d, tree ? 1037 : 1034));
        PickInbox(true);
        QTest::keyClick(d, Qt::Key_Return);
        QCOMPARE(d->MessageSavepath(), QString("\\\\Personal Folders\\Inbox"));
        QVERIFY(Enabled(*d, tree ? 1037 : 1034));
    }

    // A profile that cannot be read: the logon message, nothing picked.
    const QString bad = profile_.filePath("not-a-folder");
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("FERRYWELL_PROFILE", bad.toUtf8());
    CConvertNotes other(state, {});
    Child<QRadioButton>(other, 1023)->click();
    qputenv("FERRYWELL_PROFILE", profile_.filePath("profile").toUtf8());
    QCOMPARE(dialogs_->messages, QStringList{"Unable to login outlook session!"});
    QCOMPARE(dialogs_->icons.back(), controls::MsgIcon::Question);
    QCOMPARE(other.MessageSavepath(), QString());
    QVERIFY(!Enabled(other, 1037));
}

void ExportDialogsTest::profileExportLandsInThePickedFolder() {
    OpenSample();
    MakeInbox();
    CConvertNotes dlg(main_->State(), {Record("Contacts")});
    dlg.show();
    PickInbox(true);
    Child<QRadioButton>(dlg, 1023)->click();
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    const exporting::ExportOutcome outcome = dlg.LastOutcome();
    QVERIFY2(outcome.totals.written > 0, qPrintable(dlg.Log().Lines().join("\n") + "\n" + dialogs_->messages.join("\n")));
    QCOMPARE(outcome.end, exporting::ExportEnd::Completed);
    QCOMPARE(outcome.totals.failed, 0u);
    QVERIFY(opened_.isEmpty());  // no folder to show for a profile export
    store::Session session;
    session.Logon();
    const int inFolder = session.GetFolderFromPath("\\\\Personal Folders\\Inbox\\Contacts").GetItems().GetCount();
    QCOMPARE(uint64_t(inFolder), outcome.totals.written);
}

void ExportDialogsTest::convertNotesBrowseSaveStopAndLog() {
    OpenSample();
    QTemporaryDir out;
    CConvertNotes dlg(main_->State(), {Record("Contacts")});
    dlg.show();
    // Browse: cancelled changes nothing; a folder enables Save.
    Child<QRadioButton>(dlg, 1048)->click();
    QTest::mouseClick(Child(dlg, 1010), Qt::LeftButton);
    QCOMPARE(dialogs_->chooserTitles, QStringList{"Select the Destination Path"});
    QVERIFY(!Enabled(dlg, 1037));
    QCOMPARE(dlg.MessageSavepath(), QString());
    dialogs_->paths.push_back(out.path());
    QTest::mouseClick(Child(dlg, 1010), Qt::LeftButton);
    QCOMPARE(Child<QLineEdit>(dlg, 1000)->text(), out.path());

    // While it runs: Save reads "Under Process..." and is off, Stop is on,
    // every choice is off; a Stop answered No changes nothing.
    struct Seen {
        QString saveText;
        QList<bool> states;
        int stopAfterNo = -1;
        QRect namingAt;
    } seen;
    const QRect namingBefore = Child(dlg, 1069)->geometry();
    dlg.SetProgressHook([&](uint64_t, uint64_t) {
        if (!seen.saveText.isEmpty()) return;
        seen.saveText = Child<QPushButton>(dlg, 1037)->text();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        seen.namingAt = Child(dlg, 1069)->geometry();
        seen.states = EnabledStates(dlg, {1037, 1011, 1006, 1023, 1007, 1048, 1049, 1010, 1069, 1064, 1066, 1062});
        dialogs_->answers.push_back(MsgAnswer::No);
        QTest::mouseClick(Child(dlg, 1011), Qt::LeftButton);
        seen.stopAfterNo = dlg.StopRequest().load();
    });
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    QCOMPARE(seen.saveText, QString("Under Process..."));
    QCOMPARE(seen.states, (QList<bool>{false, true, false, false, false, false, false, false, false, false, false, false}));
    QCOMPARE(seen.namingAt, namingBefore);  // nothing moved
    QCOMPARE(seen.stopAfterNo, 0);
    QVERIFY(Child<QLabel>(dlg, 1042)->text().startsWith("Saving Folder Status :"));

    // Afterwards: as before the run, Stop off, Save reads "Save".
    QCOMPARE(Child<QPushButton>(dlg, 1037)->text(), QString("Save"));
    QCOMPARE(EnabledStates(dlg, {1037, 1011, 1006, 1023, 1048, 1010, 1069, 1035, 1064}),
             (QList<bool>{true, false, true, true, true, true, true, false, true}));
    QVERIFY(Enabled(dlg, 1062));
    const exporting::ExportOutcome outcome = dlg.LastOutcome();
    QCOMPARE(outcome.end, exporting::ExportEnd::Completed);
    QVERIFY(outcome.totals.written > 0);
    QCOMPARE(outcome.totals.failed, 0u);
    QCOMPARE(dialogs_->messages.last(),
             QString("Conversion Completed Successfully!\n\nWritten: %1, skipped: 0, failed: 0").arg(outcome.totals.written));
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(qsizetype(FilesBelow(opened_[0]).filter(".vcf").size()), qsizetype(outcome.totals.written));
    // Progress lines are green.
    const QStringList lines = dlg.Log().Lines();
    QVERIFY(lines.contains("Completed"));
    for (int i = 0; i < lines.size(); ++i)
        if (!lines[i].isEmpty()) QCOMPARE(dlg.Log().LineColour(i), QColor(0, 0x99, 0));

    // With the filter on, both pickers at this moment: every contact of the
    // sample was last changed years before and is skipped in colour 1.
    Child<QCheckBox>(dlg, 1064)->setChecked(true);
    dlg.SetProgressHook(nullptr);
    const int before = int(dlg.Log().Lines().size());
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    QCOMPARE(dlg.LastOutcome().totals.written, 0u);
    QVERIFY(dlg.LastOutcome().totals.skipped > 0);
    const QStringList after = dlg.Log().Lines();
    int skips = 0;
    for (int i = before; i < after.size(); ++i) {
        if (after[i] != "Skip Message Dates Not match") continue;
        ++skips;
        QCOMPARE(dlg.Log().LineColour(i), QColor(1, 0, 0));
    }
    QCOMPARE(uint64_t(skips), dlg.LastOutcome().totals.skipped);
}

void ExportDialogsTest::ignoreAlreadySavedReachesTheExport() {
    OpenSample();
    QTemporaryDir out;
    CConvertNotes dlg(main_->State(), {Record("Contacts")});
    dlg.show();
    Child<QRadioButton>(dlg, 1048)->click();
    dialogs_->paths.push_back(out.path());
    QTest::mouseClick(Child(dlg, 1010), Qt::LeftButton);
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    const uint64_t written = dlg.LastOutcome().totals.written;
    QVERIFY(written > 0);

    // Ticked, the second run leaves every contact the first one saved: it
    // continues the same RecoverData folder and logs each in colour 1.
    QTest::mouseClick(Child(dlg, 1062), Qt::LeftButton);
    QVERIFY(dlg.Options().skipSaved);
    bool enabledDuringRun = true;
    dlg.SetProgressHook([&](uint64_t, uint64_t) { enabledDuringRun = enabledDuringRun && Enabled(dlg, 1062); });
    const int before = int(dlg.Log().Lines().size());
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    QVERIFY(!enabledDuringRun);
    QCOMPARE(dlg.LastOutcome().totals.written, 0u);
    QCOMPARE(dlg.LastOutcome().totals.skipped, written);
    const QStringList lines = dlg.Log().Lines();
    int saved = 0;
    for (int i = before; i < lines.size(); ++i) {
        if (!lines[i].startsWith("Already saved: ")) continue;
        ++saved;
        QCOMPARE(dlg.Log().LineColour(i), QColor(1, 0, 0));
    }
    QCOMPARE(uint64_t(saved), written);
    QCOMPARE(opened_.size(), 2);
    QCOMPARE(opened_[1], opened_[0]);
    QVERIFY(Enabled(dlg, 1062));
    QVERIFY(Child<QCheckBox>(dlg, 1062)->isChecked());
}

void ExportDialogsTest::stopDuringTheThirdDocument() {
    OpenSample();
    QTemporaryDir out;
    CConvertNotes dlg(main_->State(), {Record("Contacts"), Record("People")});
    dlg.show();
    Child<QRadioButton>(dlg, 1048)->click();
    dialogs_->paths.push_back(out.path());
    QTest::mouseClick(Child(dlg, 1010), Qt::LeftButton);
    // Right after the third contact is written the user presses Stop.
    QString statusAtStop;
    int exported = 0;
    const std::shared_ptr<app::UiBridge> bridge = app::UiBridge::Create();
    app::ExportDialog::SetLogTap([&](const std::string& line) {
        if (line.rfind("Export Items:", 0) != 0 || ++exported != 3) return;
        // The export waits while the window takes the click, handed over
        // as the window's own workers hand their calls (a blocking queued
        // call runs its functor behind Qt's locks, which the thread checker
        // does not see).
        bridge->Call([&] {
            statusAtStop = Child<QLabel>(dlg, 1042)->text();
            dialogs_->answers.push_back(MsgAnswer::Yes);
            QTest::mouseClick(Child(dlg, 1011), Qt::LeftButton);
        });
    });
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    QVERIFY2(statusAtStop.contains("Contacts"), qPrintable(statusAtStop));
    QCOMPARE(dlg.LastOutcome().end, exporting::ExportEnd::Stopped);
    QCOMPARE(dlg.LastOutcome().totals.written, 3u);
    QCOMPARE(Child<QLabel>(dlg, 1042)->text(), statusAtStop);  // no later folder
    QVERIFY(dlg.Log().Lines().contains("Saving process stopped by user!"));
    QVERIFY(dialogs_->messages.contains(app::kAskStop));
    // The run says it stopped, with the contacts written and those not: the
    // rest of both views.
    const size_t asked = notes::ContactEntries(kSample.toStdString(), Record("Contacts").viewIndex).size() +
                         notes::ContactEntries(kSample.toStdString(), Record("People").viewIndex).size();
    QCOMPARE(dialogs_->messages.last(), QString("Conversion stopped by the user: 3 contacts written, %1 not written.\n\n"
                                                "Written: 3, skipped: 0, failed: 0").arg(asked - 3));
    QCOMPARE(FilesBelow(out.path()).filter(".vcf").size(), 3);
    // A new run starts without the old request.
    app::ExportDialog::SetLogTap(nullptr);
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    QCOMPARE(dlg.LastOutcome().end, exporting::ExportEnd::Completed);
}

void ExportDialogsTest::aTreeExportLeavesTheListedViewAlone() {
    OpenSample();
    ListFolder("People");
    QTemporaryDir out;
    CConvertNotes dlg(main_->State(), {Record("Contacts"), Record("By Category")});
    Child<QRadioButton>(dlg, 1007)->click();
    dialogs_->paths.push_back(out.path());
    QTest::mouseClick(Child(dlg, 1010), Qt::LeftButton);
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    QCOMPARE(dlg.LastOutcome().end, exporting::ExportEnd::Completed);
    // The list still shows People: a list export names its folder after it.
    QCOMPARE(main_->State().listedFolder.get(), std::string("People"));
    QCOMPARE(main_->State().listedView.load(), Record("People").viewIndex);
}

void ExportDialogsTest::listItemsOpeningState() {
    app::FerrywellState state;
    controls::CheckListModel rows;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    CSINGLENSFMAILSAVE dlg(state, rows);
    QCOMPARE(dlg.windowTitle(), QString("Export List Items"));
    const std::pair<int, const char*> labels[] = {
        {1006, "Export as Outlook PST File(.pst)"}, {1009, "Export to Outlook Profile"},
        {1007, "Export as Mail Message(.msg)"}, {1023, "Export to HTML(.html)"}, {1024, "Export to RTF(.rtf)"},
        {1025, "Export to TEXT(.txt)"}, {1026, "Export to PDF(.pdf)"}, {1027, "Export to vCard (*.vcf)"},
        {1029, "Export to CSV"}, {1010, "Split PST"}, {1069, "  Naming Convention :"}, {1062, "Message Filter"},
        {1064, "Message has attachment(s)."}, {1033, "Browse"}, {1034, "Start Export"}};
    for (const auto& [id, text] : labels) QCOMPARE(Child<QAbstractButton>(dlg, id)->text(), QString(text));
    auto* namings = Child<QComboBox>(dlg, 1065);
    QStringList namingTexts;
    for (int i = 0; i < namings->count(); ++i) namingTexts << namings->itemText(i);
    QCOMPARE(namingTexts, (QStringList{"Date+Subject", "File As", "From+Date+Subject", "Subject", "Subject+Date", "Subject+Date+From"}));
    QCOMPARE(namings->currentText(), QString("Date+Subject"));
    QCOMPARE(dlg.SavingMode(), OutputKind::Pst);
    QVERIFY(Child<QRadioButton>(dlg, 1006)->isChecked());
    QCOMPARE(EnabledStates(dlg, {1010, 1012, 1069, 1065, 1062, 1066, 1067, 1064, 1033, 1034}),
             (QList<bool>{true, false, false, false, true, true, true, true, true, false}));
    for (int id : {1066, 1067}) {
        const QDateTime at = Child<QDateTimeEdit>(dlg, id)->dateTime();
        QVERIFY(at >= before && at <= QDateTime::currentDateTime());
    }
    bool hasLogGroup = false;
    for (auto* group : dlg.findChildren<QGroupBox*>()) hasLogGroup |= group->title() == "   Logs:  ";
    QVERIFY(hasLogGroup);
}

void ExportDialogsTest::listItemsRadiosBrowseAndProfile() {
    app::FerrywellState state;
    controls::CheckListModel rows;
    CSINGLENSFMAILSAVE dlg(state, rows);
    dlg.show();
    // Split PST on PST only; the naming check on for the file kinds but CSV.
    struct Case {
        int id;
        OutputKind kind;
        bool split, naming;
    } cases[] = {{1007, OutputKind::Msg, false, true}, {1023, OutputKind::Html, false, true},
                 {1024, OutputKind::Rtf, false, true}, {1025, OutputKind::Txt, false, true},
                 {1026, OutputKind::Pdf, false, true}, {1027, OutputKind::Vcf, false, true},
                 {1029, OutputKind::Csv, false, false}, {1006, OutputKind::Pst, true, false}};
    Child<QCheckBox>(dlg, 1010)->setChecked(true);
    for (const Case& c : cases) {
        Child<QRadioButton>(dlg, c.id)->click();
        QCOMPARE(dlg.SavingMode(), c.kind);
        QCOMPARE(EnabledStates(dlg, {1010, 1012, 1069}), (QList<bool>{c.split, c.split, c.naming}));
    }
    // The split size is in MB, at least 5.
    Child<QLineEdit>(dlg, 1012)->setText("2");
    QCOMPARE(dlg.Options().splitSize, 5ull * 1024 * 1024);
    Child<QLineEdit>(dlg, 1012)->setText("12");
    QVERIFY(dlg.Options().splitPst);
    QCOMPARE(dlg.Options().splitSize, 12ull * 1024 * 1024);
    Child<QCheckBox>(dlg, 1010)->setChecked(false);
    QVERIFY(!Enabled(dlg, 1012));
    QVERIFY(!dlg.Options().splitPst);
    // The filter check governs the pickers and the attachment check.
    for (bool on : {true, false}) {
        Child<QCheckBox>(dlg, 1062)->setChecked(on);
        QCOMPARE(EnabledStates(dlg, {1066, 1067, 1064}), (QList<bool>{on, on, on}));
    }

    // Browse: cancelled leaves everything; a folder enables Start Export.
    QTest::mouseClick(Child(dlg, 1033), Qt::LeftButton);
    QCOMPARE(dialogs_->chooserTitles, QStringList{"Select Saving Path"});
    QVERIFY(!Enabled(dlg, 1034));
    dialogs_->paths.push_back(profile_.path());
    QTest::mouseClick(Child(dlg, 1033), Qt::LeftButton);
    QCOMPARE(Child<QLineEdit>(dlg, 1000)->text(), profile_.path());
    QCOMPARE(dlg.MessageSavepath(), profile_.path());
    QVERIFY(Enabled(dlg, 1034));

    // Closing asks "Do you want to Exit ?"; No keeps the dialog open.
    dialogs_->answers = {MsgAnswer::No};
    QVERIFY(!dlg.close());
    QVERIFY(dlg.isVisible());
    dialogs_->answers = {MsgAnswer::Yes};
    QVERIFY(dlg.close());
    QCOMPARE(dialogs_->messages, (QStringList{app::kAskExit, app::kAskExit}));
}

void ExportDialogsTest::listItemsExportOfTickedRows() {
    OpenSample();
    ListFolder("Contacts");
    auto& model = main_->List().Model();
    QVERIFY(model.rowCount() > 40);
    QStringList ticked;
    for (int row : {3, 5, 40}) {
        model.SetChecked(row, true);
        ticked << model.Row(row).text[2];
    }
    QTemporaryDir out;
    CSINGLENSFMAILSAVE dlg(main_->State(), model);
    dlg.show();
    Child<QRadioButton>(dlg, 1027)->click();
    dialogs_->paths.push_back(out.path());
    QTest::mouseClick(Child(dlg, 1033), Qt::LeftButton);
    // Start Export, the kinds, Browse, Split PST, naming and filter.
    const auto states = [&] { return EnabledStates(dlg, {1034, 1006, 1009, 1027, 1029, 1033, 1010, 1069, 1062}); };
    const QList<bool> before = states();
    QString textWhileRunning;
    QList<bool> whileRunning;
    bool startAfterBrowse = true;
    dlg.SetProgressHook([&](uint64_t, uint64_t) {
        if (!whileRunning.isEmpty()) return;
        textWhileRunning = Child<QPushButton>(dlg, 1034)->text();
        whileRunning = states();
        // Neither another kind nor another folder can be picked meanwhile.
        QTest::mouseClick(Child(dlg, 1029), Qt::LeftButton);
        dialogs_->paths.push_back(profile_.path());
        QTest::mouseClick(Child(dlg, 1033), Qt::LeftButton);
        startAfterBrowse = Enabled(dlg, 1034);
    });
    RunToEnd(dlg, Child<QPushButton>(dlg, 1034));
    QCOMPARE(textWhileRunning, QString("Under Process"));
    QCOMPARE(whileRunning, QList<bool>(9, false));
    QVERIFY(!startAfterBrowse);
    QCOMPARE(dlg.SavingMode(), exporting::OutputKind::Vcf);
    QCOMPARE(dlg.MessageSavepath(), out.path());
    QCOMPARE(Child<QPushButton>(dlg, 1034)->text(), QString("Start Export"));
    QCOMPARE(states(), before);
    QCOMPARE(dlg.LastOutcome().totals.written, 3u);
    const QStringList files = FilesBelow(out.path());
    QCOMPARE(files.size(), 3);
    for (const QString& no : ticked) QCOMPARE(files.filter(QRegularExpression("--" + no + "\\.vcf$")).size(), 1);
    QCOMPARE(dialogs_->messages.last(), QString("Conversion Completed Successfully!\n\nWritten: 3, skipped: 0, failed: 0"));
    QVERIFY(dlg.Log().Lines().contains("Completed"));
}

void ExportDialogsTest::closingDuringAnExportStopsAndWaits() {
    QTemporaryDir dir;
    const QString db = dir.filePath("large.dxl");
    QCOMPARE(QProcess::execute(QString(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py", {"3000", db}), 0);
    OpenSample(db);
    auto& state = main_->State();
    ListFolder("Contacts");
    main_->List().Model().SetAllChecked(true);
    const uint64_t contacts = uint64_t(main_->List().Model().rowCount());

    for (int which = 0; which < 2; ++which) {
        QTemporaryDir out;
        std::unique_ptr<app::ExportDialog> dlg;
        QPushButton* start = nullptr;
        if (which == 0) {
            dlg = std::make_unique<CConvertNotes>(state, std::vector<notes::FolderRecord>{Record("Contacts")});
            Child<QRadioButton>(*dlg, 1007)->click();
            start = Child<QPushButton>(*dlg, 1037);
        } else {
            dlg = std::make_unique<CSINGLENSFMAILSAVE>(state, main_->List().Model());
            Child<QRadioButton>(*dlg, 1007)->click();
            start = Child<QPushButton>(*dlg, 1034);
        }
        dlg->show();
        dialogs_->paths.push_back(out.path());
        QTest::mouseClick(Child(*dlg, which == 0 ? 1010 : 1033), Qt::LeftButton);
        uint64_t seen = 0;
        dlg->SetProgressHook([&](uint64_t done, uint64_t) { seen = done; });
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(seen > 10, 60000);
        // Both dialogs show the run's progress and offer Stop while it runs.
        QTRY_VERIFY_WITH_TIMEOUT(dlg->Progress().Value() > 0, 60000);
        QVERIFY2(dlg->Progress().Text().contains(QRegularExpression("^\\d\\S* of \\d\\S* contacts")),
                 qPrintable(dlg->Progress().Text()));
        QVERIFY(Enabled(*dlg, 1011));
        // No keeps it running; Yes stops it, waits for its end and says how it ended.
        dialogs_->messages.clear();
        dialogs_->answers = {MsgAnswer::No};
        QVERIFY(!dlg->close());
        QVERIFY(dlg->IsExporting());
        dialogs_->answers = {MsgAnswer::Yes};
        QVERIFY(dlg->close());
        QVERIFY(!dlg->IsExporting());
        QCOMPARE(dialogs_->messages.size(), 3);
        QCOMPARE(dialogs_->messages[0], which == 0 ? QString(app::kAskStop) : QString(app::kAskExit));
        QVERIFY2(dialogs_->messages[2].startsWith("Conversion stopped by the user: "), qPrintable(dialogs_->messages[2]));
        QCOMPARE(dlg->LastOutcome().end, exporting::ExportEnd::Stopped);
        QVERIFY(dlg->Log().Lines().contains(app::kStoppedByUser));
        dlg.reset();
        // What the worker had queued finds the dialog gone.
        DrainQueuedCalls();
        const qsizetype written = FilesBelow(out.path()).filter(".msg").size();
        QVERIFY2(written > 0 && uint64_t(written) < contacts, qPrintable(QString::number(written)));
    }
}

void ExportDialogsTest::mainWindowOpensTheDialogs() {
    OpenSample();
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    auto& tree = main_->Tree();
    const notes::FolderRecord contacts = Record("Contacts");
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.CheckBoxRect(contacts.treeItem).center());
    QCOMPARE(tree.GetCheck(contacts.treeItem), 1);
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto* dlg = qobject_cast<CConvertNotes*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        seen = true;
        dlg->reject();  // nothing runs: closes without a question
    });
    Trigger(main_->findChild<QAction*>("id32775"));
    QVERIFY(seen);

    ListFolder("Contacts");
    main_->List().Model().SetChecked(2, true);
    seen = false;
    dialogs_->messages.clear();
    dialogs_->answers = {MsgAnswer::Yes};
    QTimer::singleShot(0, this, [&] {
        auto* dlg = qobject_cast<CSINGLENSFMAILSAVE*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        seen = true;
        dlg->reject();
    });
    main_->OnFileExportasaeml();
    QVERIFY(seen);
    QCOMPARE(dialogs_->messages, QStringList{app::kAskExit});
}

void ExportDialogsTest::radiosChooseTheirKindHoweverChecked() {
    app::FerrywellState state;
    controls::CheckListModel rows;
    CConvertNotes convert(state, {});
    CSINGLENSFMAILSAVE list(state, rows);
    // A radio checked without a click (as an assistive tool's Toggle action
    // or code does) chooses its kind and the controls follow.
    struct Case {
        app::ExportDialog* dialog;
        int id;
        OutputKind kind;
        std::vector<int> ids;
        QList<bool> enabled;
    } cases[] = {
        {&convert, 1049, OutputKind::Csv, {1035, 1010, 1069}, {false, true, false}},
        {&convert, 1007, OutputKind::Msg, {1035, 1010, 1069}, {false, true, true}},
        {&convert, 1006, OutputKind::Pst, {1035, 1010, 1069}, {true, true, false}},
        {&list, 1026, OutputKind::Pdf, {1010, 1012, 1069}, {false, false, true}},
        {&list, 1029, OutputKind::Csv, {1010, 1012, 1069}, {false, false, false}},
    };
    for (const Case& c : cases) {
        auto* radio = Child<QRadioButton>(*c.dialog, c.id);
        radio->toggle();
        QVERIFY(radio->isChecked());
        QCOMPARE(c.dialog->SavingMode(), c.kind);
        QList<bool> enabled;
        for (int id : c.ids) enabled << Enabled(*c.dialog, id);
        QCOMPARE(enabled, c.enabled);
    }
}

void ExportDialogsTest::openedFromTheCommandLineBothDialogsWritePdf() {
    // A machine where no scratch folder was ever made: fresh temporary and
    // runtime folders.
    QTemporaryDir fresh;
    const QByteArray tmpdir = qgetenv("TMPDIR"), runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", fresh.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", fresh.path().toUtf8());
    const auto restore = qScopeGuard([&] {
        tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
        runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    });

    // As `ferrywell FILE` starts: no selection dialog.
    main_ = std::make_unique<app::CFerrywellDlg>(std::make_shared<app::FerrywellState>());
    main_->SetExitHandler([](int) {});
    main_->show();
    main_->OpenDatabase(kSample.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(main_->RunningWorkers(), 0, 60000);
    auto& tree = main_->Tree();
    const notes::FolderRecord contacts = Record("Contacts");
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.CheckBoxRect(contacts.treeItem).center());
    ListFolder("Contacts");
    for (int row : {3, 5}) main_->List().Model().SetChecked(row, true);

    QTemporaryDir out;
    struct Run {
        const char* name;
        int pdf, browse, start;
    } runs[] = {{"tree", 1029, 1010, 1037}, {"list", 1026, 1033, 1034}};
    for (const Run& r : runs) {
        const QString dest = out.filePath(r.name);
        QVERIFY(QDir().mkpath(dest));
        dialogs_->paths.push_back(dest);
        dialogs_->answers = {MsgAnswer::Yes};  // the list dialog asks before it closes
        exporting::ExportOutcome outcome;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<app::ExportDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            Child<QRadioButton>(*dlg, r.pdf)->click();
            QTest::mouseClick(Child(*dlg, r.browse), Qt::LeftButton);
            RunToEnd(*dlg, Child<QPushButton>(*dlg, r.start));
            outcome = dlg->LastOutcome();
            dlg->reject();
        });
        if (std::string_view(r.name) == "tree") Trigger(main_->findChild<QAction*>("id32775"));
        else main_->OnFileExportasaeml();
        QVERIFY2(outcome.totals.written >= 2, r.name);
        QCOMPARE(outcome.totals.failed, 0u);
        const QStringList pdfs = FilesBelow(dest).filter(QRegularExpression("\\.pdf$"));
        QCOMPARE(uint64_t(pdfs.size()), outcome.totals.written);
        QFile first(dest + "/" + pdfs.value(0));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.read(5), QByteArray("%PDF-"));
    }
}

void ExportDialogsTest::aRunThatWritesNothingSaysWhy() {
    OpenSample();
    ListFolder("Contacts");
    main_->List().Model().SetChecked(0, true);
    QTemporaryDir work;
    const QString file = work.filePath("plain-file");
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QString readOnly = "/sys";
    if (geteuid() != 0) {
        readOnly = work.filePath("ro");
        QVERIFY(QDir().mkpath(readOnly));
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    // Each failure's log line ends with its reason; the closing message says
    // nothing was written, why, and the counts.
    struct Case {
        const char* what;
        bool tree;
        int radio;
        QString destination, lineStart;
        QStringList reasons;  // one of them ends the line
    } cases[] = {
        {"tree, PST in a folder it cannot be made in", true, 1006, readOnly, "Cannot create the PST file " + readOnly + "/",
         {"not writable", "Permission denied"}},
        {"tree, files into a file", true, 1009, file, "Cannot create the directory " + file + "/RecoverData", {": Not a directory"}},
        {"list, files into a file", false, 1027, file, "Cannot write to the output folder " + file, {": it is not a folder"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<app::ExportDialog> dlg;
        if (c.tree) dlg = std::make_unique<CConvertNotes>(main_->State(), std::vector<notes::FolderRecord>{Record("Contacts")});
        else dlg = std::make_unique<CSINGLENSFMAILSAVE>(main_->State(), main_->List().Model());
        dlg->show();
        Child<QRadioButton>(*dlg, c.radio)->click();
        dialogs_->paths.push_back(c.destination);
        QTest::mouseClick(Child(*dlg, c.tree ? 1010 : 1033), Qt::LeftButton);
        dialogs_->messages.clear();
        auto* start = Child<QPushButton>(*dlg, c.tree ? 1037 : 1034);
        RunToEnd(*dlg, start);
        const exporting::ExportOutcome outcome = dlg->LastOutcome();
        QCOMPARE(outcome.end, exporting::ExportEnd::DestinationUnusable);
        const QString error = QString::fromStdString(outcome.error);
        QVERIFY2(error.startsWith(c.lineStart), qPrintable(error));
        bool reasoned = false;
        for (const QString& reason : c.reasons) reasoned |= error.contains(reason);
        QVERIFY2(reasoned, qPrintable(c.what + (": " + error)));
        const QStringList lines = dlg->Log().Lines();
        const int at = int(lines.indexOf(error));
        QVERIFY2(at >= 0, qPrintable(lines.join("\n")));
        QCOMPARE(dlg->Log().LineColour(at), QColor(0xCC, 0, 0));
        QCOMPARE(dialogs_->messages,
                 QStringList{"Conversion failed, nothing was written: " + error + "\n\nWritten: 0, skipped: 0, failed: 0"});
        QCOMPARE(start->text(), QString(c.tree ? "Save" : "Start Export"));
        QVERIFY(start->isEnabled());
        if (c.tree) QVERIFY(!Enabled(*dlg, 1011));
    }
    QVERIFY(opened_.isEmpty());
}

void ExportDialogsTest::bothDialogsNameFilesByFileAs() {
    OpenSample();
    ListFolder("Contacts");
    auto& model = main_->List().Model();
    int jane = -1;
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.Row(row).text[2] == "26") jane = row;
    QVERIFY(jane >= 0);
    model.SetChecked(jane, true);
    QTemporaryDir out;
    struct Run {
        const char* name;
        int vcf, browse, start, namings;
        QString file;  // the contact's File As, then its index
    } runs[] = {{"tree", 1048, 1010, 1037, 1063, ""}, {"list", 1027, 1033, 1034, 1065, "Doe, Jane--26.vcf"}};
    for (const Run& r : runs) {
        std::unique_ptr<app::ExportDialog> dlg;
        if (r.file.isEmpty()) dlg = std::make_unique<CConvertNotes>(main_->State(), std::vector<notes::FolderRecord>{Record("Contacts")});
        else dlg = std::make_unique<CSINGLENSFMAILSAVE>(main_->State(), model);
        dlg->show();
        Child<QRadioButton>(*dlg, r.vcf)->click();
        Child<QCheckBox>(*dlg, 1069)->setChecked(true);
        auto* namings = Child<QComboBox>(*dlg, r.namings);
        namings->setCurrentIndex(namings->findText("File As"));
        const QString dest = out.filePath(r.name);
        QVERIFY(QDir().mkpath(dest));
        dialogs_->paths.push_back(dest);
        QTest::mouseClick(Child(*dlg, r.browse), Qt::LeftButton);
        RunToEnd(*dlg, Child<QPushButton>(*dlg, r.start));
        QCOMPARE(dlg->LastOutcome().totals.failed, 0u);
        const QStringList files = FilesBelow(dest);
        QVERIFY(uint64_t(files.size()) == dlg->LastOutcome().totals.written);
        if (!r.file.isEmpty()) {
            QCOMPARE(files, QStringList{r.file});
        } else {
            // Every contact of the view by its File As: "Last, First--NO.vcf"
            // below RecoverData<stamp>/Contacts.
            QStringList names;
            for (const QString& f : files) names << QFileInfo(f).fileName();
            QVERIFY(names.contains("Doe, Jane--26.vcf"));
            QVERIFY(names.contains("Pat Quinlan--45.vcf"));  // a full name alone
            QCOMPARE(names.filter(QRegularExpression("^[^ ].*, .*--\\d+\\.vcf$")).size(), names.size() - 1);
        }
    }
}

void ExportDialogsTest::theClosingNoticeComesWhenTheRunIsOver() {
    OpenSample();
    ListFolder("Contacts");
    for (int row : {3, 5, 40}) main_->List().Model().SetChecked(row, true);
    // When the notice shows, the run is over: the dialog is idle, the log
    // ends with "Completed" and the output is the file a reader finds later.
    struct Case {
        const char* what;
        bool tree;
        int radio;
        QString suffix;
    } cases[] = {
        {"tree, a new PST", true, 1006, ".pst"},
        {"tree, CSV", true, 1049, ".csv"},
        {"list, a new PST", false, 1006, ".pst"},
        {"list, CSV", false, 1029, ".csv"},
    };
    for (const Case& c : cases) {
        QTemporaryDir out, copies;
        std::unique_ptr<app::ExportDialog> dlg;
        if (c.tree) dlg = std::make_unique<CConvertNotes>(main_->State(), std::vector<notes::FolderRecord>{Record("Contacts")});
        else dlg = std::make_unique<CSINGLENSFMAILSAVE>(main_->State(), main_->List().Model());
        dlg->show();
        Child<QRadioButton>(*dlg, c.radio)->click();
        dialogs_->paths.push_back(out.path());
        QTest::mouseClick(Child(*dlg, c.tree ? 1010 : 1033), Qt::LeftButton);

        struct AtNotice {
            int notices = 0;
            QString text, lastLine;
            bool exporting = true;
            QStringList outputs;  // copied as they were
        } at;
        controls::MessageService::SetResponder([&](const controls::MessageRequest& r) {
            ++at.notices;
            at.text = r.text;
            at.exporting = dlg->IsExporting();
            at.lastLine = dlg->Log().Lines().value(dlg->Log().Lines().size() - 1);
            for (const QString& file : FilesBelow(out.path()).filter(c.suffix)) {
                at.outputs << file;
                QFile::copy(out.filePath(file), copies.filePath(QString::number(at.outputs.size()) + c.suffix));
            }
            return MsgAnswer::Ok;
        });
        RunToEnd(*dlg, Child<QPushButton>(*dlg, c.tree ? 1037 : 1034));
        const exporting::ExportOutcome outcome = dlg->LastOutcome();
        dlg.reset();
        DrainQueuedCalls();

        QCOMPARE(at.notices, 1);
        QVERIFY2(at.text.startsWith("Conversion Completed Successfully!"), qPrintable(at.text));
        QVERIFY(!at.exporting);
        QCOMPARE(at.lastLine, QString("Completed"));
        QVERIFY(outcome.totals.written >= 3);
        QCOMPARE(at.outputs, FilesBelow(out.path()).filter(c.suffix));
        QCOMPARE(at.outputs.size(), 1);
        QFile final(out.filePath(at.outputs[0])), seen(copies.filePath("1" + c.suffix));
        QVERIFY(final.open(QIODevice::ReadOnly) && seen.open(QIODevice::ReadOnly));
        QCOMPARE(seen.readAll(), final.readAll());
        if (c.suffix == ".pst") {
            // A PST reader takes the file as it was when the notice showed.
            QProcess reader;
            reader.start("pffinfo", {seen.fileName()});
            QVERIFY(reader.waitForFinished(60000));
            QCOMPARE(reader.exitCode(), 0);
        } else {
            seen.seek(0);
            QVERIFY(uint64_t(seen.readAll().count('\n')) > outcome.totals.written);  // the header, a row each
        }
    }
}

void ExportDialogsTest::progressSaysCountsAndTimeLeft() {
    using std::chrono::seconds;
    // The estimate is the pace so far times what is left; none before the
    // first contact or after the last.
    QCOMPARE(app::TimeLeft(0, 10, seconds(5)), std::nullopt);
    QCOMPARE(app::TimeLeft(10, 10, seconds(5)), std::nullopt);
    QCOMPARE(app::TimeLeft(25, 100, seconds(30)), std::optional<seconds>(90));
    QCOMPARE(app::ProgressText(3, 7, std::nullopt), QString("3 of 7 contacts"));
    QCOMPARE(app::ProgressText(25, 100, seconds(90)), QString("25 of 100 contacts, about 2 min left"));
    QCOMPARE(app::ProgressText(1, 2, seconds(0)), QString("1 of 2 contacts, about 1 s left"));
    QCOMPARE(app::ProgressText(1, 3, seconds(3725)), QString("1 of 3 contacts, about 1 h 2 min left"));
    // A bar for more contacts than an int counts still ends full.
    app::ExportProgress bar;
    bar.Start();
    bar.Show(uint64_t(1) << 40, uint64_t(1) << 40);
    QCOMPARE(bar.Value(), bar.Maximum());
    bar.Finish();
    QVERIFY(!bar.Text().contains("left"));
}

QTEST_MAIN(ExportDialogsTest)
// "Save to CardDAV Address Book": the line with URL, user and password
// shows, Browse has nothing to pick, a URL and a user enable Save, and the
// typed password (over FERRYWELL_PASSWORD) signs in to a stub server.
void ExportDialogsTest::addressBookLineExportsIntoAServer() {
    QProcess stub;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("FERRYWELL_PASSWORD", "typed-pw");
    stub.setProcessEnvironment(env);
    stub.start("/usr/bin/python3", {QString(FERRYWELL_SOURCE_DIR) + "/tests/export/carddav_stub.py"});
    auto stopStub = qScopeGuard([&] {
        stub.kill();
        stub.waitForFinished();
    });
    QVERIFY(stub.waitForReadyRead(30000));
    const QString url = QString("http://127.0.0.1:%1/alice/book/").arg(stub.readLine().trimmed().toInt());
    QTemporaryDir records;
    qputenv("XDG_STATE_HOME", records.path().toUtf8());
    qputenv("FERRYWELL_PASSWORD", "not-this-one");
    auto restore = qScopeGuard([] {
        qunsetenv("XDG_STATE_HOME");
        qunsetenv("FERRYWELL_PASSWORD");
    });
    OpenSample();
    CConvertNotes dlg(main_->State(), {Record("Contacts")});
    Child<QRadioButton>(dlg, 1050)->click();
    QCOMPARE(dlg.SavingMode(), OutputKind::CardDav);
    QVERIFY(Child(dlg, 1090)->isVisibleTo(&dlg));
    QCOMPARE(EnabledStates(dlg, {1010, 1037, 1069}), (QList<bool>{false, false, false}));
    QCOMPARE(Child<QLineEdit>(dlg, 1092)->echoMode(), QLineEdit::Password);
    Child<QLineEdit>(dlg, 1090)->setText(url);
    QVERIFY(!Enabled(dlg, 1037));
    Child<QLineEdit>(dlg, 1091)->setText("alice");
    Child<QLineEdit>(dlg, 1092)->setText("typed-pw");
    RunToEnd(dlg, Child<QPushButton>(dlg, 1037));
    const exporting::ExportOutcome outcome = dlg.LastOutcome();
    QCOMPARE(int(outcome.end), int(exporting::ExportEnd::Completed));
    QVERIFY(outcome.totals.written > 0);
    QCOMPARE(outcome.totals.failed, 0u);
    // Another kind hides the line and browses again.
    QTRY_VERIFY(Enabled(dlg, 1048));
    Child<QRadioButton>(dlg, 1048)->click();
    QCOMPARE(dlg.SavingMode(), OutputKind::Vcf);
    QVERIFY(!Child(dlg, 1090)->isVisibleTo(&dlg));
    QVERIFY(Enabled(dlg, 1010));
}

#include "export_dialogs_test.moc"
