#include "test_support.h"

#include <app/ferrywell_dlg.h>
#include <app/first_dialog.h>

#include <notes/analysis.h>

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QScopeGuard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QCollator>
#include <QtTest>

#include <csignal>

using app::CFerrywellDlg;
using controls::MsgAnswer;

namespace {

const QString kSample = QString(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";

QString ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The list as the command-line tool prints it: NO, view index, five names.
QStringList CliList(const QString& db, const QString& folder) {
    QProcess cli;
    cli.start(QString(FERRYWELL_BIN_DIR) + "/ferrywell-cli", {"list", db, folder});
    if (!cli.waitForFinished(60000)) return {};
    QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return lines;
}

QString Unescape(QString v) {
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) {
            const QChar n = v[++i];
            out += n == 't' ? QChar('\t') : n == 'n' ? QChar('\n') : n == 'r' ? QChar('\r') : n;
        } else {
            out += v[i];
        }
    }
    return out;
}

QStringList WindowList(CFerrywellDlg& dlg) {
    QStringList lines;
    auto& model = dlg.List().Model();
    for (int r = 0; r < model.rowCount(); ++r) {
        const auto& row = model.Row(r);
        QStringList cells;
        for (int c = 2; c < 9; ++c) cells << row.text[size_t(c)];
        lines << cells.join('\t');
    }
    return lines;
}

// Stands in for the desktop's handler of local files.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startsIdle();
    void openListPreviewAndTickAll();
    void exportCommandsCheckTheirSelection();
    void stopAndExitAskFirst();
    void stopBelongsToTheRunningTask();
    void analysisAndFillsRunOneAtATime();
    void enterAndEscapeDoNothing();
    void cancelledSelectionChangesNothing();
    void closingWhileAFillRunsNeitherCrashesNorHangs();
    void keyboardReachesEveryCommand();
    void listColumnsFitTheirContent();
    void helpOpensTheGuideWeShip();
    void endingSignalsRemoveTheScratchFolder();
    void eachWindowPreviewsInAFolderOfItsOwn();
    void headerClicksOrderTheListAndTheCountFollows();
    void filterBoxShowsTheMatchingRowsAndKeepsTicks();

private:
    void OpenThroughSelectionDialog(const QString& db);
    // Clicks the folder's node; waits for the list unless wait is false.
    void SelectFolder(const std::string& name, bool wait = true);
    // Opens the sample and lists its Contacts view.
    void OpenContacts() {
        dlg->OpenDatabase(kSample.toStdString());
        WaitIdle();
        SelectFolder("Contacts");
    }
    void ClickRow(int row);
    void WaitIdle() { QTRY_COMPARE_WITH_TIMEOUT(dlg->RunningWorkers(), 0, 60000); }
    QAction* Action(const char* id) { return dlg->findChild<QAction*>(id); }

    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<CFerrywellDlg> dlg;
    std::vector<int> exits;
};

void MainWindowTest::init() {
    dialogs = std::make_unique<ScriptedDialogs>();
    dlg = std::make_unique<CFerrywellDlg>(std::make_shared<app::FerrywellState>());
    exits.clear();
    dlg->SetExitHandler([this](int code) { exits.push_back(code); });
    dlg->resize(1100, 700);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
}

void MainWindowTest::cleanup() {
    if (dlg) WaitIdle();
    dlg.reset();
    dialogs.reset();
}

void MainWindowTest::OpenThroughSelectionDialog(const QString& db) {
    dialogs->paths.push_back(db);
    bool handled = false;
    QTimer::singleShot(0, this, [&] {
        auto* first = qobject_cast<app::FirstDialog*>(QApplication::activeModalWidget());
        QVERIFY(first);
        auto* next = first->findChild<QPushButton*>("id1002");
        QVERIFY(!next->isEnabled());
        QTest::mouseClick(first->findChild<QPushButton*>("id1001"), Qt::LeftButton);
        QVERIFY(next->isEnabled());
        QCOMPARE(first->findChild<QLineEdit*>("id1000")->text(), db);
        QTest::mouseClick(next, Qt::LeftButton);
        handled = true;
    });
    Trigger(Action("id32774"));
    QVERIFY(handled);
    WaitIdle();
}

void MainWindowTest::SelectFolder(const std::string& name, bool wait) {
    for (const auto& record : dlg->State().folders.Snapshot()) {
        if (record.folderName != name) continue;
        auto& tree = dlg->Tree();
        const QRect r = tree.visualItemRect(tree.ItemFor(record.treeItem));
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));
        if (wait) WaitIdle();
        return;
    }
    QFAIL(("no folder " + name).c_str());
}

void MainWindowTest::ClickRow(int row) {
    auto& list = dlg->List();
    list.scrollTo(list.Model().index(row, 4));
    const QRect r = list.visualRect(list.Model().index(row, 4));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, r.center());
    WaitIdle();
}

void MainWindowTest::startsIdle() {
    QCOMPARE(dlg->windowTitle(), QString("Ferrywell Full Ver 2.2(Outlook 32bit)"));
    QVERIFY(!Action("id32775")->isEnabled());
    QVERIFY(!Action("menu32775")->isEnabled());
    QCOMPARE(Action("id32774")->text(), QString(" Add File "));
    QCOMPARE(Action("id1022")->text(), QString(" Stop "));
    QCOMPARE(dlg->findChild<QLabel*>("pane0")->text(), QString("Ferrywell"));
    auto& model = dlg->List().Model();
    QCOMPARE(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QString("From"));
    QVERIFY(dlg->List().isColumnHidden(2));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(dlg->Tree().topLevelItemCount(), 0);
    for (const char* id : {"id1003", "id1004", "id1005", "id1017", "id1035"}) QVERIFY2(dlg->findChild<QWidget*>(id), id);
}

void MainWindowTest::openListPreviewAndTickAll() {
    OpenThroughSelectionDialog(kSample);
    auto& state = dlg->State();
    QCOMPARE(state.databasePath.get(), kSample.toStdString());
    QCOMPARE(state.SourceFileName.get(), std::string("names"));
    QVERIFY(dialogs->messages.contains(notes::kAnalysisCompleted));
    QCOMPARE(dialogs->chooserFilters.value(0), QString("Lotus Notes File (*nsf) (*.nsf *.dxl)"));
    QVERIFY(Action("id32775")->isEnabled());
    QVERIFY(Action("menu32775")->isEnabled());

    // The tree: one root with the three contact views, sorted.
    auto& tree = dlg->Tree();
    QCOMPARE(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    QCOMPARE(root->text(0), QString("Lotus Notes"));
    QStringList children;
    for (int i = 0; i < root->childCount(); ++i) children << root->child(i)->text(0);
    QCOMPARE(children, (QStringList{"By Category", "Contacts", "People"}));
    QCOMPARE(dlg->List().Model().headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Full Name"));
    QVERIFY(!dlg->List().isColumnHidden(2));
    QVERIFY(dlg->List().isColumnHidden(3));

    // Every listed view matches the command-line tool, row for row.
    for (const char* folder : {"Contacts", "By Category", "People"}) {
        SelectFolder(folder);
        QStringList expected = CliList(kSample, folder);
        for (QString& line : expected) {
            QStringList cells = line.split('\t');
            for (QString& c : cells) c = Unescape(c);
            line = cells.join('\t');
        }
        QVERIFY(!expected.isEmpty());
        QCOMPARE(WindowList(*dlg), expected);
        QCOMPARE(state.listedFolder.get(), std::string(folder));
        QVERIFY(tree.isEnabled());
        QVERIFY(Action("id32775")->isEnabled());
        QCOMPARE(dlg->StatusText(), QString(" "));
        QCOMPARE(dlg->Progress(), 0);
    }
    SelectFolder("Contacts");
    QCOMPARE(state.listedView.load(), 3u);
    auto& model = dlg->List().Model();
    QCOMPARE(model.Row(45).text[4], QString("Pat Quinlan"));

    // A click previews the row; the page holds its two fields.
    ClickRow(45);
    QCOMPARE(state.previewEntry.load(), 45);
    QCOMPARE(state.previewView.load(), 3);
    QCOMPARE(state.poslast.load(), 46);
    QString page = ReadAll(dlg->PreviewPagePath());
    QVERIFY(page.contains("class='secondline'><b>FullName: </b></td>   <td height='20' width='70%' "
                          "class='secondline'>Pat Quinlan</td>"));
    QVERIFY(page.contains("<b>MailAddress: </b>"));
    QCOMPARE(page.count("<tr>"), 2);
    QVERIFY(dlg->Browser().toPlainText().contains("pat.quinlan@example.net"));
    QVERIFY(!dlg->IsWaitWindowShown());
    QVERIFY(dlg->List().isEnabled());
    QCOMPARE(state.previewRunning.load(), 0);

    // The same row again starts nothing; another row previews.
    QFile::remove(QString::fromStdString(dlg->PreviewPagePath()));
    ClickRow(45);
    QVERIFY(!QFile::exists(QString::fromStdString(dlg->PreviewPagePath())));
    ClickRow(40);
    page = ReadAll(dlg->PreviewPagePath());
    QVERIFY(page.contains("&lt;b&gt;Head&lt;/b&gt; of Design"));
    // The preview shows the rewritten page, markup in values as text.
    QVERIFY(dlg->Browser().toPlainText().contains("<b>Head</b> of Design"));
    QVERIFY(!dlg->Browser().toPlainText().contains("pat.quinlan@example.net"));

    // After a refill the row at the last previewed position previews again.
    SelectFolder("People");
    SelectFolder("Contacts");
    QCOMPARE(state.poslast.load(), 0);
    QFile::remove(QString::fromStdString(dlg->PreviewPagePath()));
    ClickRow(40);
    QVERIFY(QFile::exists(QString::fromStdString(dlg->PreviewPagePath())));

    // The header box ticks and unticks every row.
    auto& header = dlg->List().Header();
    const QPoint box = header.BoxRect().center();
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, box);
    QCOMPARE(model.CheckedCount(), model.rowCount());
    QCOMPARE(header.HeaderImage(), 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, box);
    QCOMPARE(model.CheckedCount(), 0);
    QCOMPARE(header.HeaderImage(), 1);

    // Selecting the root lists nothing.
    auto records = state.folders.Snapshot();
    const QRect r = tree.visualItemRect(root);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));
    WaitIdle();
    QCOMPARE(model.rowCount(), 0);
}

void MainWindowTest::exportCommandsCheckTheirSelection() {
    Action("id32775")->setEnabled(true);
    Trigger(Action("id32775"));
    dlg->OnFileExportasaeml();
    QCOMPARE(dialogs->messages, (QStringList{app::kSelectFolder, app::kSelectItems}));
    QCOMPARE(dialogs->icons[0], controls::MsgIcon::None);
    QCOMPARE(dialogs->icons[1], controls::MsgIcon::Question);

    OpenThroughSelectionDialog(kSample);
    SelectFolder("Contacts");
    dialogs->messages.clear();
    auto contacts = dlg->State().folders.Snapshot()[1];
    QCOMPARE(contacts.folderName, std::string("Contacts"));
    QTest::mouseClick(dlg->Tree().viewport(), Qt::LeftButton, {}, dlg->Tree().CheckBoxRect(contacts.treeItem).center());
    QCOMPARE(dlg->Tree().GetCheck(contacts.treeItem), 1);
    dlg->List().Model().SetChecked(3, true);
    // With a ticked folder and a ticked row the two export dialogs open.
    QStringList opened;
    auto closeWhenOpen = [&] {
        QTimer::singleShot(0, this, [&opened] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            opened << modal->windowTitle();
            modal->close();
        });
    };
    dialogs->answers = {MsgAnswer::Yes};
    closeWhenOpen();
    Trigger(Action("id32775"));
    closeWhenOpen();
    dlg->OnFileExportasaeml();
    QCOMPARE(opened, (QStringList{"Select Saving Option Type", "Export List Items"}));
    QCOMPARE(dialogs->messages, QStringList{app::kAskExit});
}

void MainWindowTest::stopAndExitAskFirst() {
    struct Case {
        MsgAnswer answer;
        size_t exitsAfter;
    } cases[] = {{MsgAnswer::No, 0}, {MsgAnswer::Yes, 1}};
    for (const Case& c : cases) {
        dialogs->messages.clear();
        dialogs->answers = {c.answer};
        Trigger(Action("id32776"));
        QCOMPARE(exits.size(), c.exitsAfter);
        QCOMPARE(dialogs->messages, QStringList{app::kAskExit});
    }
    QCOMPARE(exits.back(), 0);
    QVERIFY(QString(app::kAskExit).endsWith("?       "));

    // Closing the window asks the same question; No keeps it open.
    dialogs->messages.clear();
    dialogs->answers = {MsgAnswer::No};
    QVERIFY(!dlg->close());
    QVERIFY(dlg->isVisible());
    QCOMPARE(dialogs->messages, QStringList{app::kAskExit});
}

void MainWindowTest::stopBelongsToTheRunningTask() {
    // Nothing runs: Stop is disabled, and even called it asks and keeps nothing.
    QVERIFY(!Action("id1022")->isEnabled());
    dialogs->messages.clear();
    dialogs->answers = {MsgAnswer::Yes};
    dlg->OnBnClickedStop();
    QVERIFY(dialogs->messages.isEmpty());
    OpenThroughSelectionDialog(kSample);
    QCOMPARE(dlg->Tree().topLevelItem(0)->childCount(), 3);
    QVERIFY(!dialogs->messages.contains(notes::kProcessAborted));
    QVERIFY(!Action("id1022")->isEnabled());

    // Stop while a task runs: Yes stops that task alone, No lets it finish.
    struct Case {
        const char* task;  // "analysis", or the folder to list
        MsgAnswer answer;
    } cases[] = {{"analysis", MsgAnswer::Yes}, {"analysis", MsgAnswer::No}, {"Contacts", MsgAnswer::Yes},
                 {"People", MsgAnswer::No}};
    for (const Case& c : cases) {
        const bool analysis = std::string_view(c.task) == "analysis";
        if (analysis) dlg->StartAnalysis();
        else SelectFolder(c.task, false);
        QVERIFY2(Action("id1022")->isEnabled(), c.task);
        dialogs->messages.clear();
        dialogs->answers = {c.answer};
        Trigger(Action("id1022"));
        QCOMPARE(dialogs->messages, QStringList{app::kAskStop});
        WaitIdle();
        QVERIFY2(!Action("id1022")->isEnabled(), c.task);
        QVERIFY(Action("id32775")->isEnabled());
        const bool stopped = c.answer == MsgAnswer::Yes;
        auto& model = dlg->List().Model();
        if (analysis) {
            QCOMPARE(dlg->StatusText(), QString(stopped ? notes::kProcessAborted : " "));
            QCOMPARE(dlg->Tree().topLevelItemCount(), stopped ? 0 : 1);
        } else {
            // A stopped fill keeps the first row with its number alone.
            if (stopped) {
                QCOMPARE(model.rowCount(), 1);
                QCOMPARE(model.Row(0).text[2], QString("0"));
                QCOMPARE(model.Row(0).text[4], QString());
            } else {
                QCOMPARE(model.rowCount(), int(CliList(kSample, c.task).size()));
            }
            QVERIFY(dlg->Tree().isEnabled());
            QCOMPARE(dlg->Progress(), 0);
        }
        if (analysis && stopped) OpenThroughSelectionDialog(kSample);
    }
    // No request outlives its task: the next fill lists the whole view.
    SelectFolder("Contacts");
    QCOMPARE(dlg->List().Model().rowCount(), int(CliList(kSample, "Contacts").size()));
    QCOMPARE(dlg->State().stopRequest.load(), 0);
}

void MainWindowTest::analysisAndFillsRunOneAtATime() {
    OpenThroughSelectionDialog(kSample);
    auto& state = dlg->State();
    // Views chosen in quick succession (the arrow keys held down): the list
    // shows the last one alone, and the shared state names it.
    SelectFolder("Contacts", false);
    SelectFolder("By Category", false);
    SelectFolder("People", false);
    WaitIdle();
    QCOMPARE(state.listedFolder.get(), std::string("People"));
    QCOMPARE(WindowList(*dlg).size(), CliList(kSample, "People").size());
    QCOMPARE(dlg->List().Model().Row(0).text[3], QString::number(state.listedView.load()));
    QVERIFY(dlg->Tree().isEnabled());
    QCOMPARE(dlg->StatusText(), QString(" "));

    // Another database opened while a view is listed: the list stays empty
    // until a view of the new tree is chosen.
    SelectFolder("Contacts", false);
    dlg->OpenDatabase(kSample.toStdString());
    WaitIdle();
    QCOMPARE(dlg->Tree().topLevelItem(0)->childCount(), 3);
    QCOMPARE(dlg->List().Model().rowCount(), 0);
    QVERIFY(dlg->Tree().isEnabled());
}

void MainWindowTest::enterAndEscapeDoNothing() {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(&dlg->List(), Qt::Key(key));
        QTest::keyClick(dlg.get(), Qt::Key(key));
    }
    QVERIFY(dlg->isVisible());
    QVERIFY(dialogs->messages.isEmpty());
    QVERIFY(exits.empty());
}

void MainWindowTest::cancelledSelectionChangesNothing() {
    OpenThroughSelectionDialog(kSample);
    SelectFolder("Contacts");
    const int rows = dlg->List().Model().rowCount();
    QTimer::singleShot(0, this, [] {
        auto* first = qobject_cast<app::FirstDialog*>(QApplication::activeModalWidget());
        QVERIFY(first);
        QCOMPARE(first->findChild<QLineEdit*>("id1000")->text(), QString());
        first->reject();
    });
    Trigger(Action("id32774"));
    WaitIdle();
    QCOMPARE(dlg->List().Model().rowCount(), rows);
    QCOMPARE(dlg->Tree().topLevelItem(0)->childCount(), 3);
}

void MainWindowTest::closingWhileAFillRunsNeitherCrashesNorHangs() {
    QTemporaryDir dir;
    const QString db = dir.filePath("large.dxl");
    QCOMPARE(QProcess::execute(QString(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py", {"20000", db}), 0);
    OpenThroughSelectionDialog(db);
    for (const auto& record : dlg->State().folders.Snapshot())
        if (record.folderName == "Contacts") dlg->OnTvnSelchangedTree1(record.treeItem);
    QTRY_VERIFY(dlg->List().Model().rowCount() > 0);
    auto workers = dlg->Workers();
    QVERIFY(workers->Running() > 0);
    dlg.reset();  // the window goes while the fill runs
    QTRY_COMPARE_WITH_TIMEOUT(workers->Running(), 0, 60000);
}

void MainWindowTest::keyboardReachesEveryCommand() {
    QApplication::setActiveWindow(dlg.get());
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    // Opened as the command line opens it: Save follows Export File.
    QVERIFY(!Action("menu32775")->isEnabled());
    dlg->OpenDatabase(kSample.toStdString());
    WaitIdle();
    QVERIFY(Action("id32775")->isEnabled());
    QVERIFY(Action("menu32775")->isEnabled());
    dlg->UiEnableExportButton(false);
    QVERIFY(!Action("menu32775")->isEnabled());
    dlg->UiEnableExportButton(true);

    // The menus open with Alt and their letter, and with F10.
    const auto popupAfter = [this](QKeyCombination keys) {
        QString title;
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dlg.get(), keys.key(),
                        keys.keyboardModifiers());
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            title = menu->title();
            menu->close();
        }
        return title;
    };
    QCOMPARE(popupAfter(Qt::ALT | Qt::Key_F), QString("&File"));
    QCOMPARE(popupAfter(Qt::ALT | Qt::Key_H), QString("&Help"));
    QCOMPARE(popupAfter(QKeyCombination(Qt::Key_F10)), QString("&File"));
    QTest::keyClick(dlg->menuBar(), Qt::Key_Escape);

    // Standard shortcuts: open, export, quit.
    struct Shortcut {
        QKeyCombination keys;
        const char* opens;  // the modal dialog's title, or the question asked
    } shortcuts[] = {{Qt::CTRL | Qt::Key_O, "Select Lotus Notes (*.nsf) File"},
                     {Qt::CTRL | Qt::Key_S, app::kSelectFolder},
                     {Qt::CTRL | Qt::Key_Q, app::kAskExit}};
    QString seen;
    for (const Shortcut& sc : shortcuts) {
        QApplication::setActiveWindow(dlg.get());  // back from the dialog before
        seen.clear();
        QTimer::singleShot(0, this, [&seen] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = modal->windowTitle();
                modal->close();
            }
        });
        dialogs->messages.clear();
        dialogs->answers = {MsgAnswer::No};
        QTest::keyClick(dlg.get(), sc.keys.key(), sc.keys.keyboardModifiers());
        QCoreApplication::sendPostedEvents(dlg.get(), QEvent::MetaCall);  // the command
        QCoreApplication::processEvents();  // a timer not used by a dialog goes now
        if (seen.isEmpty()) seen = dialogs->messages.value(0);
        QCOMPARE(seen, QString(sc.opens));
    }
    QVERIFY(exits.empty());

    // Tab reaches the toolbar's buttons; Space presses the one in focus.
    QApplication::setActiveWindow(dlg.get());
    dlg->Tree().setFocus();
    QSet<QString> reached;
    QToolButton* addFile = nullptr;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* button = qobject_cast<QToolButton*>(QApplication::focusWidget());
        if (!button || !button->defaultAction()) continue;
        reached << button->defaultAction()->objectName();
        if (button->defaultAction()->objectName() == "id32774") addFile = button;
    }
    QCOMPARE(reached, (QSet<QString>{"id32774", "id32775", "id32779", "id32776"}));  // Stop: nothing runs
    QVERIFY(addFile);
    bool opened = false;
    QTimer::singleShot(0, this, [&opened] {
        opened = qobject_cast<app::FirstDialog*>(QApplication::activeModalWidget()) != nullptr;
        if (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
    });
    addFile->setFocus();
    QTest::keyClick(addFile, Qt::Key_Space);
    QCoreApplication::sendPostedEvents(dlg.get(), QEvent::MetaCall);
    QVERIFY(opened);

    // The tree: the arrow keys list a view, Space ticks it.
    QApplication::setActiveWindow(dlg.get());
    auto& tree = dlg->Tree();
    tree.setFocus();
    tree.setCurrentItem(tree.topLevelItem(0));
    QTest::keyClick(&tree, Qt::Key_Down);  // "By Category"
    QTest::keyClick(&tree, Qt::Key_Down);  // "Contacts"
    WaitIdle();
    QCOMPARE(dlg->State().listedFolder.get(), std::string("Contacts"));
    QCOMPARE(dlg->focusWidget(), &tree);  // the list filled, the tree kept the keyboard
    QTest::keyClick(&tree, Qt::Key_Space);
    QCOMPARE(tree.GetCheck(tree.HandleOf(tree.currentItem())), 1);

    // The list: the preview follows the current row; Space ticks it;
    // Shift+F10 offers "Export List Items".
    auto& list = dlg->List();
    ClickRow(45);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    WaitIdle();
    QCOMPARE(dlg->State().poslast.load(), 47);
    QCOMPARE(dlg->focusWidget(), &list);  // previewed, and the next Down walks the list
    QTest::keyClick(&list, Qt::Key_Down);
    WaitIdle();
    QCOMPARE(dlg->State().poslast.load(), 48);
    QCOMPARE(dlg->focusWidget(), &list);
    QTest::keyClick(&list, Qt::Key_Up);
    WaitIdle();
    QVERIFY(ReadAll(dlg->PreviewPagePath()).contains(list.Model().Row(46).text[4].toHtmlEscaped()));
    QTest::keyClick(&list, Qt::Key_Space);
    QVERIFY(list.Model().IsChecked(46));
    QCOMPARE(list.Model().CheckedCount(), 1);
    QStringList offered;
    QTimer::singleShot(0, this, [&offered] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions()) offered << a->text();
            menu->close();
        }
    });
    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(offered, QStringList{"Export List Items"});
    // A right-click on a row not selected selects it and offers the menu at once.
    offered.clear();
    QTimer::singleShot(0, this, [&offered] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions()) offered << a->text();
            menu->close();
        }
    });
    const QRect row = list.visualRect(list.Model().index(44, 4));
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, row.center());
    QCOMPARE(offered, QStringList{"Export List Items"});
    QCOMPARE(list.FirstSelectedRow(), 44);
    WaitIdle();
    // Tab leaves the list at once, however many rows it has.
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != &list);
}

void MainWindowTest::listColumnsFitTheirContent() {
    OpenThroughSelectionDialog(kSample);
    SelectFolder("Contacts");
    auto& list = dlg->List();
    const QFontMetrics metrics(list.font());
    // Every name and address is shown whole, and the last column reaches
    // the list's right edge.
    for (int column : {4, 5, 6, 8}) {
        int widest = 0;
        for (int r = 0; r < list.Model().rowCount(); ++r)
            widest = std::max(widest, metrics.horizontalAdvance(list.Model().Row(r).text[size_t(column)]));
        QVERIFY2(list.columnWidth(column) >= std::min(widest, int(controls::CCheckListCtrl::kFitWidth)),
                 qPrintable(QString("column %1: %2 < %3").arg(column).arg(list.columnWidth(column)).arg(widest)));
    }
    auto* header = list.horizontalHeader();
    QCOMPARE(header->sectionViewportPosition(8) + header->sectionSize(8), list.viewport()->width());
}

void MainWindowTest::helpOpensTheGuideWeShip() {
    UrlSink desktop;
    QDesktopServices::setUrlHandler("file", &desktop, "open");
    const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
    // The guide built beside the programs, as an installation has it too.
    const QString built = QDir::cleanPath(QString(FERRYWELL_BIN_DIR) + "/../share/ferrywell/guide/index.html");
    QVERIFY(app::UserGuidePlaces().contains(built));
    QVERIFY(ReadAll(built.toStdString()).contains("<title>Ferrywell user guide</title>"));
    QApplication::setActiveWindow(dlg.get());
    QTest::keyClick(dlg.get(), Qt::Key_F1);
    QCoreApplication::sendPostedEvents(dlg.get(), QEvent::MetaCall);
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(built)});
    QVERIFY(dialogs->messages.isEmpty());

    // No guide where it is looked for: the user is told where it was looked for.
    dlg->SetUserGuidePlaces({"/nonexistent/ferrywell/guide/index.html"});
    Trigger(Action("menu32778"));
    QCOMPARE(desktop.opened.size(), 1);
    QCOMPARE(dialogs->messages,
             QStringList{QString(app::kGuideMissing) + "/nonexistent/ferrywell/guide/index.html"});
}

void MainWindowTest::endingSignalsRemoveTheScratchFolder() {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QTemporaryDir runtime;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        program.setProcessEnvironment(env);
        program.start(QString(FERRYWELL_BIN_DIR) + "/ferrywell", {"-platform", "offscreen", kSample});
        QVERIFY(program.waitForStarted());
        const auto made = [&] { return QDir(runtime.path()).entryList({"ferrywell-*"}, QDir::Dirs); };
        QTRY_COMPARE_WITH_TIMEOUT(made().size(), 1, 30000);
        // The folder is made a moment before the scratch folder inside it.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(runtime.filePath(made()[0] + "/xTemp")).exists(), 30000);
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(30000));
        // It ended as the signal ends a program, its scratch folder gone first.
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        QCOMPARE(program.exitCode(), signal);
        QVERIFY2(made().isEmpty(), qPrintable(made().join(' ')));
    }
}

void MainWindowTest::eachWindowPreviewsInAFolderOfItsOwn() {
    // The program folder's page file, if an older build left one, stays as it is.
    const QFileInfo programPage(CFerrywellDlg::GetAppPath() + "header.html");
    const QDateTime programPageTime = programPage.exists() ? programPage.lastModified() : QDateTime();

    // This window's database and scratch location come from the selection
    // dialog; a second window of the process opens the same database.
    QTemporaryDir chosen;
    dialogs->paths = {kSample, chosen.path()};
    QTimer::singleShot(0, this, [&] {
        auto* first = qobject_cast<app::FirstDialog*>(QApplication::activeModalWidget());
        QVERIFY(first);
        for (const char* button : {"id1001", "id1038", "id1002"})
            QTest::mouseClick(first->findChild<QPushButton*>(button), Qt::LeftButton);
    });
    Trigger(Action("id32774"));
    WaitIdle();
    auto other = std::make_unique<CFerrywellDlg>(std::make_shared<app::FerrywellState>());
    other->SetExitHandler([](int) {});
    other->OpenDatabase(kSample.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(other->RunningWorkers(), 0, 60000);

    struct Window {
        CFerrywellDlg* window;
        QString scratch;  // where its scratch folder lies
    } windows[] = {{dlg.get(), chosen.path() + "/ferrywell-"},
                   {other.get(), QString::fromStdString(other->State().tempFilePath.get())}};
    QStringList pages;
    for (const Window& w : windows) {
        for (const auto& record : w.window->State().folders.Snapshot())
            if (record.folderName == "Contacts") w.window->Tree().SelectItem(record.treeItem);
        QTRY_COMPARE_WITH_TIMEOUT(w.window->RunningWorkers(), 0, 60000);
        auto& list = w.window->List();
        list.selectRow(45);
        QTRY_COMPARE_WITH_TIMEOUT(w.window->RunningWorkers(), 0, 60000);
        const QString page = QString::fromStdString(w.window->PreviewPagePath());
        QVERIFY2(page.startsWith(w.scratch), qPrintable(page));
        QVERIFY(page.startsWith(QString::fromStdString(w.window->State().tempFilePath.get())));
        QVERIFY(!page.startsWith(CFerrywellDlg::GetAppPath()));
        QVERIFY(ReadAll(page.toStdString()).contains("Pat Quinlan"));
        pages << page;
    }
    QVERIFY(pages[0] != pages[1]);
    QCOMPARE(programPage.exists() ? QFileInfo(programPage.filePath()).lastModified() : QDateTime(), programPageTime);

    // A closed window's folder goes with it; the other's page stays.
    other.reset();
    QVERIFY(!QFileInfo::exists(QFileInfo(pages[1]).path()));
    QVERIFY(QFileInfo::exists(pages[0]));
}

QTEST_MAIN(MainWindowTest)
void MainWindowTest::headerClicksOrderTheListAndTheCountFollows() {
    OpenContacts();
    auto& list = dlg->List();
    auto& rows = list.Model();
    const int n = rows.rowCount();
    QVERIFY(n > 60);
    QCOMPARE(dlg->CountText(), QString("%L1 contacts").arg(n));
    const auto column = [&rows](int c) {
        QStringList texts;
        for (int r = 0; r < rows.rowCount(); ++r) texts << rows.Row(r).text[size_t(c)];
        return texts;
    };
    const auto clickHeader = [&list](int section) {
        QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(list.horizontalHeader()->sectionViewportPosition(section) + 20, 5));
    };
    // The row previewed stays selected wherever the order puts it.
    ClickRow(3);
    WaitIdle();
    const QString chosen = rows.Row(3).text[4];
    clickHeader(6);  // Last Name, in the order of the user's language
    QStringList lastNames = column(6), expected = lastNames;
    QCollator collator;
    std::stable_sort(expected.begin(), expected.end(),
                     [&collator](const QString& a, const QString& b) { return collator(a.toCaseFolded(), b.toCaseFolded()); });
    QCOMPARE(lastNames, expected);
    QCOMPARE(rows.Row(list.FirstSelectedRow()).text[4], chosen);
    QCOMPARE(dlg->State().poslast.load(), list.FirstSelectedRow() + 1);
    clickHeader(6);  // then Z to A
    QCOMPARE(column(6).first(), expected.last());
    clickHeader(2);  // NO by its value: 2 before 10
    QStringList numbers = column(2);
    QVERIFY(std::is_sorted(numbers.begin(), numbers.end(),
                           [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); }));
    // The tick-all box ticks and orders nothing.
    clickHeader(0);
    QCOMPARE(column(2), numbers);
    QCOMPARE(dlg->CountText(), QString("%L1 contacts, %L1 ticked").arg(n));
    // Rows added later end the ordering shown.
    QVERIFY(list.horizontalHeader()->isSortIndicatorShown());
    std::vector<controls::CheckListRow> more(1);
    dlg->UiAddRows(more);
    QVERIFY(!list.horizontalHeader()->isSortIndicatorShown());
}

void MainWindowTest::filterBoxShowsTheMatchingRowsAndKeepsTicks() {
    OpenContacts();
    auto& list = dlg->List();
    auto& rows = list.Model();
    const int n = rows.rowCount();
    QLineEdit& box = dlg->FilterBox();
    QCOMPARE(box.accessibleName(), QString("Filter contacts"));
    rows.SetChecked(0, true);
    const QString needle = rows.Row(5).text[4];  // a Full Name
    QVERIFY(!needle.isEmpty());
    // The rows shown, or -1 when one of them does not hold the box's text.
    const auto shownRows = [&] {
        int shown = 0;
        for (int r = 0; r < n; ++r) {
            if (list.isRowHidden(r)) continue;
            ++shown;
            bool match = box.text().isEmpty();
            for (int c = 0; c < controls::kListColumns; ++c)
                match |= !list.isColumnHidden(c) && rows.Row(r).text[size_t(c)].contains(box.text(), Qt::CaseInsensitive);
            if (!match) return -1;
        }
        return shown;
    };
    box.setFocus();
    QTest::keyClicks(&box, needle.toUpper());  // case does not matter
    const int shown = shownRows();
    QVERIFY(shown >= 1 && shown < n);
    QVERIFY(list.isRowHidden(0));
    QCOMPARE(dlg->CountText(), QString("%L1 of %L2 contacts, 1 ticked").arg(shown).arg(n));
    // Ordering keeps the filter; the hidden row keeps its tick.
    QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(list.horizontalHeader()->sectionViewportPosition(6) + 20, 5));
    QCOMPARE(shownRows(), shown);
    QCOMPARE(rows.CheckedCount(), 1);
    // The header box ticks and unticks the rows shown, and the hidden one
    // keeps its tick through both.
    auto& header = list.Header();
    QCOMPARE(header.HeaderImage(), 1);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, header.BoxRect().center());
    QCOMPARE(rows.CheckedCount(), shown + 1);
    QCOMPARE(header.HeaderImage(), 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, header.BoxRect().center());
    QCOMPARE(rows.CheckedCount(), 1);
    int hiddenTicked = 0;
    for (int r = 0; r < n; ++r) hiddenTicked += list.isRowHidden(r) && rows.IsChecked(r);
    QCOMPARE(hiddenTicked, 1);
    // Esc clears the box, and every row shows again.
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(box.text().isEmpty());
    QCOMPARE(shownRows(), n);
    QCOMPARE(dlg->CountText(), QString("%L1 contacts, 1 ticked").arg(n));
}

#include "main_window_test.moc"
