#include <app/convert_notes_dialog.h>
#include <app/ferrywell_app.h>
#include <app/ferrywell_dlg.h>
#include <app/find_files_dialog.h>
#include <app/first_dialog.h>
#include <app/list_items_dialog.h>

#include <controls/dialog_services.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

namespace app {

namespace {

// Runs the event loop until the window's workers have all ended.
void WaitForWorkers(CFerrywellDlg& dlg) {
    QEventLoop loop;
    QObject::connect(&dlg, &CFerrywellDlg::workersIdle, &loop, &QEventLoop::quit);
    while (dlg.RunningWorkers() > 0) loop.exec();
}

// Runs the dialog's export into a folder of its own to its end.
void RunExport(ExportDialog& dialog, int kindRadio, int browse, int start) {
    QEventLoop loop;
    QObject::connect(&dialog, &ExportDialog::exportEnded, &loop, &QEventLoop::quit);
    dialog.findChild<QRadioButton*>(QString("id%1").arg(kindRadio))->click();
    dialog.findChild<QPushButton*>(QString("id%1").arg(browse))->click();
    dialog.findChild<QPushButton*>(QString("id%1").arg(start))->click();
    if (dialog.IsExporting()) loop.exec();
}

bool Save(QWidget& widget, const QString& folder, const QString& name) {
    QCoreApplication::processEvents();
    return widget.grab().save(folder + "/" + name);
}

// Lets the next message box come up for real, saves it and closes it; the
// scripted answers stand in again afterwards.
void SaveNextMessageBox(const QString& folder, const QString& name, bool* ok) {
    controls::MessageService::SetResponder(nullptr);
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [timer, folder, name, ok] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        timer->stop();
        timer->deleteLater();
        *ok = Save(*box, folder, name) && *ok;
        box->accept();
        controls::MessageService::SetResponder([](const controls::MessageRequest&) { return controls::MsgAnswer::Ok; });
    });
    timer->start();
}

}  // namespace

int RunScreenshots(const QString& dbPath, const QString& folder) {
    QDir().mkpath(folder);
    const QString database = QFileInfo(dbPath).absoluteFilePath();
    controls::MessageService::SetResponder([](const controls::MessageRequest&) { return controls::MsgAnswer::Ok; });
    controls::PathChooser::SetResponder([database](const controls::ChooserRequest& r) {
        return r.kind == controls::ChooserKind::OpenFile ? database : QFileInfo(database).absolutePath();
    });

    auto state = std::make_shared<app::FerrywellState>();
    CFerrywellDlg dlg(state);
    dlg.SetExitHandler([](int) {});
    dlg.resize(1280, 800);
    dlg.show();
    dlg.OpenDatabase(database.toStdString());
    WaitForWorkers(dlg);

    for (const notes::FolderRecord& record : state->folders.Snapshot())
        if (record.folderName == "Contacts") dlg.Tree().SelectItem(record.treeItem);
    WaitForWorkers(dlg);
    auto& list = dlg.List();
    for (int row : {22, 24, 27}) list.Model().SetChecked(row, true);
    if (list.GetItemCount() > 26) {
        list.setCurrentIndex(list.Model().index(26, 2));
        dlg.OnNMClickList1();
    }
    WaitForWorkers(dlg);
    bool ok = Save(dlg, folder, "main-window.png");

    FirstDialog first(*state, &dlg);
    first.show();
    first.OnBnClickedButton1();
    ok = Save(first, folder, "selection-dialog.png") && ok;
    first.hide();

    // A row picked in the search becomes the database; the exports below
    // use the one opened at the start.
    const std::string opened = state->databasePath.get(), openedName = state->SourceFileName.get();
    CFindFiles search(*state, &dlg);
    search.show();
    search.findChild<QLineEdit*>("id1045")->setText(QFileInfo(QFileInfo(database).absolutePath()).absolutePath());
    search.findChild<QCheckBox*>("id1037")->setChecked(true);
    search.OnBnClickedOksearch();  // returns when the search has ended
    auto* results = search.findChild<QTreeWidget*>("id1044");
    if (results->topLevelItemCount() > 0) results->setCurrentItem(results->topLevelItem(0));
    ok = Save(search, folder, "search-dialog.png") && ok;
    search.hide();
    state->databasePath.set(opened);
    state->SourceFileName.set(openedName);

    // The export dialogs after a run into a folder that goes away afterwards.
    QTemporaryDir out;
    controls::PathChooser::SetResponder([&out](const controls::ChooserRequest&) { return out.path(); });
    ExportDialog::SetFolderOpener([](const QString&) {});
    std::vector<notes::FolderRecord> checked;
    for (const notes::FolderRecord& record : state->folders.Snapshot())
        if (record.folderName == "Contacts") checked.push_back(record);
    CConvertNotes convert(*state, checked, &dlg);
    convert.show();
    convert.findChild<QCheckBox*>("id1069")->setChecked(true);
    convert.findChild<QComboBox*>("id1063")->setCurrentText("File As");
    SaveNextMessageBox(folder, "export-finished-message.png", &ok);
    RunExport(convert, 1048, 1010, 1037);
    ok = Save(convert, folder, "export-options-dialog.png") && ok;
    convert.hide();

    CSINGLENSFMAILSAVE listItems(*state, list.Model(), &dlg);
    listItems.show();
    listItems.findChild<QCheckBox*>("id1062")->setChecked(true);
    RunExport(listItems, 1007, 1033, 1034);
    ok = Save(listItems, folder, "export-list-items-dialog.png") && ok;
    ExportDialog::SetFolderOpener(nullptr);
    return ok ? 0 : 1;
}

}  // namespace app
