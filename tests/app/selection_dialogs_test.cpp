#include "test_support.h"

#include <app/find_files_dialog.h>
#include <app/first_dialog.h>

#include <selection/scratch.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>

using app::CFindFiles;
using app::FirstDialog;

namespace {

const QString kSample = QString(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";

void Put(const QString& path, int bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
}

QStringList Column(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
    return out;
}

}  // namespace

class SelectionDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        app::SearchPick::bValue = 0;
        dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup() { dialogs.reset(); }
    void firstDialogChoices();
    void searchListsDepthFirstWithItsColumns();
    void searchChecksItsInputs();
    void searchButtonStopsARunningSearch();
    void searchFromTheSelectionDialogFindsTheSample();

private:
    std::unique_ptr<ScriptedDialogs> dialogs;
};

void SelectionDialogsTest::firstDialogChoices() {
    app::FerrywellState state;
    QTemporaryDir scratchParent;
    std::string defaultScratch;
    {
        FirstDialog dialog(state);
        QCOMPARE(dialog.windowTitle(), QString("Select Lotus Notes (*.nsf) File"));
        auto* next = Child<QPushButton>(dialog, 1002);
        QVERIFY(!next->isEnabled());
        // The scratch folder exists from the start and is the process's own.
        defaultScratch = state.tempFilePath.get();
        QVERIFY(QString::fromStdString(defaultScratch).endsWith("/xTemp/"));
        QVERIFY(defaultScratch.starts_with(selection::RuntimeFolder() + "ferrywell-"));
        QVERIFY(QDir(QString::fromStdString(defaultScratch)).exists());
        QVERIFY((std::filesystem::status(defaultScratch).permissions() & std::filesystem::perms::all) ==
                std::filesystem::perms::owner_all);
        QCOMPARE(Child<QLineEdit>(dialog, 1032)->text(), QString::fromStdString(defaultScratch));

        // A cancelled chooser changes nothing; Enter does nothing while Next is disabled.
        dialog.OnBnClickedButton1();
        QVERIFY(!next->isEnabled());
        dialog.show();  // a default button works in a dialog on the screen
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(state.databasePath.get().empty());

        // A scratch location where none can be made keeps the one there is.
        dialogs->paths = {"/proc/ferrywell-cannot-create"};
        dialog.OnBnClickedButton4();
        QCOMPARE(dialogs->messages, QStringList{QString(app::kScratchNotMade) + "/proc/ferrywell-cannot-create"});
        QCOMPARE(state.tempFilePath.get(), defaultScratch);

        // A scratch location first, then the database: the scratch folder
        // goes back to the default one, and the box says so.
        dialogs->paths = {scratchParent.path(), kSample};
        dialog.OnBnClickedButton4();
        const QString chosenScratch = QString::fromStdString(state.tempFilePath.get());
        QVERIFY(chosenScratch.startsWith(scratchParent.path() + "/ferrywell-"));
        QVERIFY(chosenScratch.endsWith("/xTemp/"));
        QVERIFY(QDir(chosenScratch).exists());
        QCOMPARE(Child<QLineEdit>(dialog, 1032)->text(), chosenScratch);
        dialog.OnBnClickedButton1();
        QCOMPARE(dialogs->chooserTitles, (QStringList{"Select Lotus Notes File...", "Select the Temp Path",
                                                      "Select the Temp Path", "Select Lotus Notes File..."}));
        QCOMPARE(state.databasePath.get(), kSample.toStdString());
        QCOMPARE(state.SourceFileName.get(), std::string("names"));
        QCOMPARE(state.tempFilePath.get(), defaultScratch);
        QCOMPARE(Child<QLineEdit>(dialog, 1032)->text(), QString::fromStdString(defaultScratch));
        QCOMPARE(Child<QLineEdit>(dialog, 1000)->text(), kSample);
        QVERIFY(next->isEnabled());
        QCOMPARE(state.ibrowsefile.load(), 0);
        QTest::keyClick(&dialog, Qt::Key_Return);  // Next is the default button
        QCOMPARE(state.ibrowsefile.load(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    // A second opening starts empty with the default scratch folder, made
    // again when something removed it meanwhile.
    QDir(QString::fromStdString(defaultScratch)).removeRecursively();
    FirstDialog again(state);
    QCOMPARE(Child<QLineEdit>(again, 1000)->text(), QString());
    QVERIFY(QDir(QString::fromStdString(state.tempFilePath.get())).exists());
    QCOMPARE(state.databasePath.get(), kSample.toStdString());
    // Every folder made goes when the process ends, the chosen location stays.
    selection::ProcessScratch().RemoveAll();
    QVERIFY(!QDir(QString::fromStdString(state.tempFilePath.get())).exists());
    QVERIFY(QDir(scratchParent.path()).isEmpty());
}

void SelectionDialogsTest::searchListsDepthFirstWithItsColumns() {
    QTemporaryDir dir;
    Put(dir.filePath("top.NSF"), 10240);
    Put(dir.filePath("Sub/inner.dxl"), 10239);
    Put(dir.filePath("Sub/notes.txt"), 10);
    Put(dir.filePath("Sub/Deep/deep.nsf"), 5000000);
    app::FerrywellState state;
    CFindFiles search(state);
    QCOMPARE(search.windowTitle(), QString("Search NSF Files"));
    QVERIFY(!Child(search, 1039)->isVisible());
    Child<QLineEdit>(search, 1045)->setText(dir.path());
    Child<QCheckBox>(search, 1037)->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(search, 1043), Qt::LeftButton);
    auto* results = Child<QTreeWidget>(search, 1044);
    QCOMPARE(Column(results, 0), (QStringList{"deep.nsf", "inner.dxl", "top.NSF"}));
    QCOMPARE(Column(results, 1), (QStringList{dir.path() + "/Sub/Deep/", dir.path() + "/Sub/", dir.path() + "/"}));
    QCOMPARE(Column(results, 2), (QStringList{"4882 KB", "10239 B", "10 KB"}));
    QVERIFY(QRegularExpression("^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d (AM|PM)$").match(results->topLevelItem(0)->text(3)).hasMatch());
    QCOMPARE(Child<QLabel>(search, 1042)->text(), QString("3 items found"));
    QCOMPARE(Child<QPushButton>(search, 1043)->text(), QString("Search"));

    // The size boxes follow their check box and narrow the search.
    auto* sizeCheck = Child<QCheckBox>(search, 1038);
    QVERIFY(!Child(search, 1040)->isEnabled());
    sizeCheck->setChecked(true);
    QVERIFY(Child(search, 1040)->isEnabled() && Child(search, 1041)->isEnabled());
    Child<QLineEdit>(search, 1040)->setText("10");
    Child<QLineEdit>(search, 1041)->setText("100");
    search.OnBnClickedOksearch();
    QCOMPARE(Column(results, 0), QStringList{"top.NSF"});
    QCOMPARE(Child<QLabel>(search, 1042)->text(), QString("1 items found"));

    // Picking a row sets the database and its source name.
    results->setCurrentItem(results->topLevelItem(0));
    QCOMPARE(QString::fromStdString(state.databasePath.get()), dir.path() + "/top.NSF");
    QCOMPARE(state.SourceFileName.get(), std::string("top"));
    QTest::mouseClick(Child<QPushButton>(search, 1015), Qt::LeftButton);
    QCOMPARE(search.result(), int(QDialog::Accepted));

    // In a later dialog Select works without a new pick.
    CFindFiles later(state);
    later.OnBnClickedButton3();
    QCOMPARE(later.result(), int(QDialog::Accepted));
    QVERIFY(dialogs->messages.isEmpty());
}

void SelectionDialogsTest::searchChecksItsInputs() {
    app::FerrywellState state;
    CFindFiles search(state);
    search.OnBnClickedOksearch();
    search.OnBnClickedButton3();
    QCOMPARE(dialogs->messages, (QStringList{app::kNoSearchPath, app::kSelectFile}));
    QCOMPARE(dialogs->icons[0], controls::MsgIcon::Stop);
    QCOMPARE(search.result(), int(QDialog::Rejected));
    // A cancelled folder chooser empties the path.
    Child<QLineEdit>(search, 1045)->setText("/tmp");
    search.OnBnClickedButtonBrowse();
    QCOMPARE(Child<QLineEdit>(search, 1045)->text(), QString());
    QVERIFY(state.databasePath.get().empty());

    // Enter in the path box searches and leaves the dialog open.
    QTemporaryDir dir;
    Put(dir.filePath("a.nsf"), 1);
    Child<QLineEdit>(search, 1045)->setText(dir.path());
    search.show();
    QTest::keyClick(Child<QLineEdit>(search, 1045), Qt::Key_Return);
    QCOMPARE(Child<QTreeWidget>(search, 1044)->topLevelItemCount(), 1);
    QCOMPARE(search.result(), int(QDialog::Rejected));
}

void SelectionDialogsTest::searchButtonStopsARunningSearch() {
    QTemporaryDir dir;
    for (int i = 0; i < 40; ++i) Put(dir.filePath(QString("d%1/f.nsf").arg(i)), 1);
    app::FerrywellState state;
    CFindFiles search(state);
    Child<QLineEdit>(search, 1045)->setText(dir.path());
    Child<QCheckBox>(search, 1037)->setChecked(true);
    auto* button = Child<QPushButton>(search, 1043);
    QString labelWhileRunning;
    // Runs inside the search's own event dispatch.
    QTimer::singleShot(0, this, [&] {
        labelWhileRunning = button->text();
        QVERIFY(search.IsSearching());
        QTest::mouseClick(button, Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(labelWhileRunning, QString("Cancel"));
    QCOMPARE(button->text(), QString("Search"));
    QVERIFY(!search.IsSearching());
    const int found = Child<QTreeWidget>(search, 1044)->topLevelItemCount();
    QVERIFY(found < 40);
    QCOMPARE(Child<QLabel>(search, 1042)->text(), QString("%1 items found").arg(found));
}

void SelectionDialogsTest::searchFromTheSelectionDialogFindsTheSample() {
    app::FerrywellState state;
    FirstDialog first(state);
    // The sample lies two folders below the folder searched.
    QTemporaryDir top;
    QVERIFY(QDir(top.path()).mkpath("data/samples"));
    const QString samples = top.path() + "/data/samples";
    QVERIFY(QFile::copy(kSample, samples + "/names.dxl"));
    dialogs->paths = {top.path()};
    bool handled = false;
    QTimer::singleShot(0, this, [&] {
        auto* search = qobject_cast<CFindFiles*>(QApplication::activeModalWidget());
        QVERIFY(search);
        QTest::mouseClick(Child<QPushButton>(*search, 1033), Qt::LeftButton);
        Child<QCheckBox>(*search, 1037)->setChecked(true);
        QTest::mouseClick(Child<QPushButton>(*search, 1043), Qt::LeftButton);
        auto* results = Child<QTreeWidget>(*search, 1044);
        const auto found = results->findItems("names.dxl", Qt::MatchExactly, 0);
        QVERIFY(!found.isEmpty());
        results->setCurrentItem(found.front());
        QTest::mouseClick(Child<QPushButton>(*search, 1015), Qt::LeftButton);
        handled = true;
    });
    QTest::mouseClick(Child<QPushButton>(first, 1015), Qt::LeftButton);
    QVERIFY(handled);
    QCOMPARE(Child<QLineEdit>(first, 1000)->text(), samples + "/names.dxl");
    QCOMPARE(QString::fromStdString(state.databasePath.get()), samples + "/names.dxl");
    QCOMPARE(state.SourceFileName.get(), std::string("names"));
    QVERIFY(Child(first, 1002)->isEnabled());
}

QTEST_MAIN(SelectionDialogsTest)
#include "selection_dialogs_test.moc"
