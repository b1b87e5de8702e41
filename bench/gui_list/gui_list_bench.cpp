// Times the item list fill of the desktop program on a large database and
// watches the user-interface thread with a heartbeat timer while it runs.
//   bench_gui_list [DB] [CONTACTS]
// Without DB a database of CONTACTS (default 100000) contacts is generated.
// Prints the figures and exits 1 when the longest stall of the user-interface
// thread reaches 100 ms or the fill takes more than twice as long as the
// command-line tool's list of the same view.
#include "../gui_heartbeat.h"

#include <app/ferrywell_dlg.h>

#include <controls/dialog_services.h>

#include <notes/list_fill.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

double RunCliList(const QString& db) {
    QElapsedTimer t;
    t.start();
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.start(QString(FERRYWELL_BIN_DIR) + "/ferrywell-cli", {"list", db, "Contacts"});
    cli.waitForFinished(-1);
    return double(t.nsecsElapsed()) / 1e6;
}

// The same fill with nothing on screen: what the logic alone costs.
struct CountingView : notes::ItemListView {
    void DeleteAllRows() override { rows = 0; }
    void AddRow(const notes::ListRow&) override { ++rows; }
    void EnableTree(bool) override {}
    void EnableExportButton(bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetProgress(int) override {}
    int rows = 0;
};

void WaitForWorkers(app::CFerrywellDlg& dlg) {
    while (dlg.RunningWorkers() > 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    QTemporaryDir temp;
    QString db = args.value(1);
    const QString contacts = args.value(2, "100000");
    if (db.isEmpty() || db == "-") {
        db = temp.filePath("large.dxl");
        std::printf("generating %s contacts...\n", qPrintable(contacts));
        if (QProcess::execute(QString(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py", {contacts, db}) != 0)
            return 2;
    }
    controls::MessageService::SetResponder([](const controls::MessageRequest&) { return controls::MsgAnswer::Ok; });

    const double cliMs = RunCliList(db);

    auto state = std::make_shared<app::FerrywellState>();
    app::CFerrywellDlg dlg(state);
    dlg.resize(1280, 800);
    dlg.show();
    state->databasePath.set(db.toStdString());

    Heartbeat heartbeat;
    QElapsedTimer t;
    heartbeat.Start();
    t.start();
    dlg.StartAnalysis();
    WaitForWorkers(dlg);
    const double analysisMs = double(t.nsecsElapsed()) / 1e6;
    const double analysisStallMs = heartbeat.StopMs();

    notes::TreeNodeId contactsNode = 0;
    for (const auto& record : state->folders.Snapshot())
        if (record.folderName == "Contacts") contactsNode = record.treeItem;
    if (!contactsNode) return 2;

    heartbeat.Start();
    t.restart();
    dlg.Tree().SelectItem(contactsNode);
    WaitForWorkers(dlg);
    const double fillMs = double(t.nsecsElapsed()) / 1e6;
    const double fillStallMs = heartbeat.StopMs();
    const int rows = dlg.List().Model().rowCount();

    // Typing into the filter box, then emptying it: each a pass over every row.
    t.restart();
    dlg.FilterBox().setText("7");
    const double filterMs = double(t.nsecsElapsed()) / 1e6;
    const int shown = dlg.List().ShownRowCount();
    t.restart();
    dlg.FilterBox().setText("77");
    const double narrowMs = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    dlg.FilterBox().clear();
    const double clearMs = double(t.nsecsElapsed()) / 1e6;

    CountingView counting;
    t.restart();
    notes::ListTreeFolder(*state, counting, contactsNode);
    const double logicMs = double(t.nsecsElapsed()) / 1e6;

    std::printf("database:                     %s\n", qPrintable(db));
    std::printf("rows listed:                  %d\n", rows);
    std::printf("ferrywell-cli list (process): %9.1f ms\n", cliMs);
    std::printf("window analysis:              %9.1f ms (longest UI stall %.1f ms)\n", analysisMs, analysisStallMs);
    std::printf("window list fill:             %9.1f ms (longest UI stall %.1f ms)\n", fillMs, fillStallMs);
    std::printf("filter \"7\", \"77\", cleared:    %9.1f, %.1f, %.1f ms (%d rows shown for \"7\")\n", filterMs, narrowMs,
                clearMs, shown);
    std::printf("same fill without a window:   %9.1f ms (%d rows)\n", logicMs, counting.rows);
    std::printf("fill / cli:                   %9.2f\n", fillMs / cliMs);
    std::printf("(analysis + fill) / cli:      %9.2f\n", (analysisMs + fillMs) / cliMs);
    const bool ok = fillStallMs < 100.0 && fillMs <= 2.0 * cliMs;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    dlg.SetExitHandler([](int) {});
    return ok ? 0 : 1;
}
