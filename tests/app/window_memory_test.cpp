// What the window keeps between starts and takes from the desktop: its
// layout, each export dialog's last kind and destination, the choosers' last
// folder, the recent databases, the open database in the title and dropped
// database files; and the names screen readers call the controls by.
#include "test_support.h"

#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>
#include <app/list_items_dialog.h>

#include <controls/remembered.h>

#include <QAbstractSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

using exporting::OutputKind;

namespace {

const QString kSample = QString(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";

QString KindName(OutputKind kind) {
    const std::string_view mode = exporting::ModeString(kind);
    return QString::fromUtf8(mode.data(), qsizetype(mode.size()));
}

}  // namespace

class WindowMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void everyControlHasAName();
    void layoutComesBack();
    void choosersOpenInTheLastFolder();
    void exportDialogsKeepTheirLastChoice();
    void titleRecentMenuAndDroppedFiles();

private:
    std::unique_ptr<app::CFerrywellDlg> NewWindow();

    // Settings and scratch files of this test's own, removed at its end. The
    // settings' folder is read once per process: one folder for all cases.
    QTemporaryDir home_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void WindowMemoryTest::initTestCase() {
    QVERIFY(home_.isValid());
    qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
    QDir().mkpath(home_.filePath("scratch"));
    controls::SetRemembering(true);
}

void WindowMemoryTest::cleanupTestCase() { controls::SetRemembering(false); }

void WindowMemoryTest::init() {
    dialogs_.reset();  // its end takes the answers away: before the next one gives them
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

std::unique_ptr<app::CFerrywellDlg> WindowMemoryTest::NewWindow() {
    auto window = std::make_unique<app::CFerrywellDlg>(std::make_shared<app::FerrywellState>());
    window->SetExitHandler([](int) {});
    window->State().tempFilePath.set(home_.filePath("scratch").toStdString());
    return window;
}

void WindowMemoryTest::everyControlHasAName() {
    app::FerrywellState state;
    controls::CheckListModel rows;
    auto window = NewWindow();
    app::CConvertNotes convert(state, {});
    app::CSINGLENSFMAILSAVE list(state, rows);
    for (QWidget* w : std::initializer_list<QWidget*>{window.get(), &convert, &list}) {
        w->show();
        for (QWidget* control : w->findChildren<QWidget*>()) {
            const bool named = qobject_cast<QAbstractItemView*>(control) || qobject_cast<QLineEdit*>(control) ||
                               qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QProgressBar*>(control) ||
                               qobject_cast<QTextEdit*>(control);
            // A header, and the text box inside a date picker, belong to the control around them.
            if (!named || !control->isVisibleTo(w) || qobject_cast<QHeaderView*>(control) ||
                qobject_cast<QAbstractSpinBox*>(control->parentWidget()))
                continue;
            QVERIFY2(!control->accessibleName().isEmpty(),
                     qPrintable(w->objectName() + ": " + control->metaObject()->className() + " " + control->objectName()));
        }
    }
}

void WindowMemoryTest::layoutComesBack() {
    auto first = NewWindow();
    QVERIFY(!first->RestoreLayout());  // nothing remembered yet: the window opens maximised
    first->show();
    first->resize(900, 640);
    auto* tree = first->findChild<QSplitter*>("id1013");
    auto* preview = first->findChild<QSplitter*>("id1014");
    tree->setSizes({200, 600});
    preview->setSizes({150, 350});
    const QList<int> treeSizes = tree->sizes(), previewSizes = preview->sizes();
    // Exit saves what the user left.
    dialogs_->answers = {controls::MsgAnswer::Yes};
    first->OnFileExit();
    first.reset();

    auto second = NewWindow();
    QVERIFY(second->RestoreLayout());
    second->show();
    QCOMPARE(second->size(), QSize(900, 640));
    QCOMPARE(second->findChild<QSplitter*>("id1013")->sizes(), treeSizes);
    QCOMPARE(second->findChild<QSplitter*>("id1014")->sizes(), previewSizes);
}

void WindowMemoryTest::choosersOpenInTheLastFolder() {
    const QString folder = home_.filePath("chosen");
    QVERIFY(QDir().mkpath(folder));
    dialogs_->paths = {folder + "/names.dxl", QString(), QString()};
    controls::PathChooser::ChooseOpenFile(nullptr, "open", "*.dxl");
    controls::PathChooser::ChooseFolder(nullptr, "folder");  // cancelled: the folder stays
    QCOMPARE(dialogs_->chooserFolders.mid(1), QStringList({folder}));
    controls::PathChooser::ChooseFolder(nullptr, "folder");
    QCOMPARE(dialogs_->chooserFolders.last(), folder);
    // A folder gone since opens nowhere in particular.
    QVERIFY(QDir(folder).removeRecursively());
    dialogs_->paths = {QString()};
    controls::PathChooser::ChooseFolder(nullptr, "folder");
    QCOMPARE(dialogs_->chooserFolders.last(), QString());
}

void WindowMemoryTest::exportDialogsKeepTheirLastChoice() {
    auto window = NewWindow();
    window->OpenDatabase(kSample.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(window->RunningWorkers(), 0, 60000);
    const QString out = home_.filePath("csv");
    QVERIFY(QDir().mkpath(out));
    {
        app::CConvertNotes convert(window->State(), window->State().folders.Snapshot());
        Child<QRadioButton>(convert, 1049)->click();  // CSV
        dialogs_->paths = {out};
        Child<QPushButton>(convert, 1010)->click();
        Child<QPushButton>(convert, 1037)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!convert.IsExporting(), 120000);
    }
    app::CConvertNotes again(window->State(), {});
    QCOMPARE(again.SavingMode(), OutputKind::Csv);
    QVERIFY(Child<QRadioButton>(again, 1049)->isChecked());
    QCOMPARE(again.MessageSavepath(), out);
    QVERIFY(Child<QPushButton>(again, 1037)->isEnabled());
    // The other dialog keeps a choice of its own.
    controls::CheckListModel rows;
    QCOMPARE(app::CSINGLENSFMAILSAVE(window->State(), rows).SavingMode(), OutputKind::Pst);

    // A profile folder is picked afresh; a folder gone leaves the kind alone.
    controls::RememberExport("id157", {KindName(OutputKind::Profile), out, {}});
    QCOMPARE(app::CConvertNotes(window->State(), {}).SavingMode(), OutputKind::Pst);
    controls::RememberExport("id157", {KindName(OutputKind::Pdf), home_.filePath("gone"), {}});
    app::CConvertNotes gone(window->State(), {});
    QCOMPARE(gone.SavingMode(), OutputKind::Pdf);
    QCOMPARE(gone.MessageSavepath(), QString());
    QVERIFY(!Child<QPushButton>(gone, 1037)->isEnabled());
}

void WindowMemoryTest::titleRecentMenuAndDroppedFiles() {
    const QString copy = home_.filePath("dropped.DXL"), other = home_.filePath("notes.txt");
    QVERIFY(QFile::copy(kSample, copy) && QFile::copy(kSample, other));
    const auto drop = [](QStringList paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    };
    QCOMPARE(app::DroppedDatabase(*drop({copy})), copy);
    QCOMPARE(app::DroppedDatabase(*drop({other})), QString());
    QCOMPARE(app::DroppedDatabase(*drop({copy, kSample})), QString());
    QCOMPARE(app::DroppedDatabase(*drop({home_.filePath("missing.dxl")})), QString());

    auto window = NewWindow();
    QCOMPARE(window->windowTitle(), QString(app::kWindowTitle));
    window->OpenDatabase(kSample.toStdString());
    QCOMPARE(window->windowTitle(), QString("names.dxl - ") + app::kWindowTitle);
    QTRY_COMPARE_WITH_TIMEOUT(window->RunningWorkers(), 0, 60000);
    // Once open, the database's own title leads, its file name beside it.
    QCOMPARE(window->windowTitle(), QString("Jane Doe's Address Book (names.dxl) - ") + app::kWindowTitle);
    QCOMPARE(app::WindowTitleFor("/d/names.dxl", "Names"), QString("names.dxl - ") + app::kWindowTitle);
    QCOMPARE(app::WindowTitleFor("/d/a.dxl", "Two\nlines"), QString("Two lines (a.dxl) - ") + app::kWindowTitle);

    // A dropped database opens as Add File opens one.
    QVERIFY(!window->OpenDropped(*drop({other})));
    QVERIFY(window->OpenDropped(*drop({copy})));
    QCOMPARE(window->State().databasePath.get(), copy.toStdString());
    QCOMPARE(window->windowTitle(), QString("dropped.DXL - ") + app::kWindowTitle);
    QTRY_COMPARE_WITH_TIMEOUT(window->RunningWorkers(), 0, 60000);

    // The recent menu lists both, newest first; one gone from the disk drops out.
    QCOMPARE(controls::RecentDatabases().mid(0, 2), QStringList({copy, kSample}));
    auto* recent = window->findChild<QMenu*>("menuRecent");
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().value(0)->text(), QString("dropped.DXL"));
    QVERIFY(QFile::remove(copy));
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().value(0)->text(), QString("names.dxl"));
    recent->actions().value(0)->trigger();
    QTRY_COMPARE(window->State().databasePath.get(), kSample.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(window->RunningWorkers(), 0, 60000);
}

QTEST_MAIN(WindowMemoryTest)
#include "window_memory_test.moc"
