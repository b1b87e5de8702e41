// Times the export dialog's log while a 2 ms heartbeat timer watches the
// user-interface thread.
//   bench_gui_log [LINES]          a worker logs LINES lines (default 100000)
//                                  through the dialog's export sink
//   bench_gui_log --export DB      the export options dialog exports the
//                                  "Contacts" view of DB into a PST (a private
//                                  profile), one log line per contact
// Prints the figures and exits 1 when the longest stall reaches 100 ms or a
// line is missing from the log.
#include "../gui_heartbeat.h"

#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>

#include <controls/dialog_services.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>
#include <thread>

namespace {

void Wait(const std::function<bool()>& done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

int Report(const char* what, double totalMs, double stallMs, double stallAtMs, qsizetype logged, qsizetype expected) {
    std::printf("%s\n", what);
    std::printf("log lines:             %lld (expected at least %lld)\n", static_cast<long long>(logged),
                static_cast<long long>(expected));
    std::printf("time:                  %9.1f ms\n", totalMs);
    std::printf("longest UI stall:      %9.1f ms (ending %.0f ms after the start)\n", stallMs, stallAtMs);
    const bool ok = stallMs < 100.0 && logged >= expected;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}

int SinkOnly(int lines) {
    app::FerrywellState state;
    app::CConvertNotes dlg(state, {});
    dlg.show();
    auto bridge = app::UiBridge::Create();
    std::atomic<bool> done{false};
    Heartbeat heartbeat;
    heartbeat.Start();
    QElapsedTimer t;
    t.start();
    std::thread worker([&] {
        app::DialogExportSink sink(bridge, &dlg);
        for (int i = 0; i < lines; ++i) {
            const bool skip = i % 10 == 9;
            sink.AppendToLog(skip ? "Skip Message Dates Not match" : "Export Items: Contact number " + std::to_string(i),
                             skip ? exporting::kColourSkip : exporting::kColourProgress);
            sink.SetProgress(uint64_t(i + 1), uint64_t(lines));
        }
        sink.Finish();
        done = true;
    });
    Wait([&] { return done.load(); });
    worker.join();
    QCoreApplication::processEvents();
    const double totalMs = double(t.nsecsElapsed()) / 1e6;
    const double stallMs = heartbeat.StopMs();
    bridge->Close();
    // The last line end opens an empty block.
    return Report("lines logged through the sink", totalMs, stallMs, heartbeat.LongestAtMs(), dlg.Log().blockCount() - 1, lines);
}

int RealExport(const QString& db) {
    QTemporaryDir temp;
    qputenv("FERRYWELL_PROFILE", temp.filePath("profile").toUtf8());
    controls::PathChooser::SetResponder([&temp](const controls::ChooserRequest&) { return temp.path(); });
    auto state = std::make_shared<app::FerrywellState>();
    state->databasePath.set(db.toStdString());
    state->SourceFileName.set("large");
    state->tempFilePath.set(temp.path().toStdString());
    app::CFerrywellDlg window(state);
    window.SetExitHandler([](int) {});
    window.StartAnalysis();
    Wait([&] { return window.RunningWorkers() == 0; });
    std::vector<notes::FolderRecord> contacts;
    for (const auto& record : state->folders.Snapshot())
        if (record.folderName == "Contacts") contacts.push_back(record);
    if (contacts.empty()) return 2;

    app::CConvertNotes dlg(*state, contacts);
    dlg.show();
    dlg.findChild<QRadioButton*>("id1006")->click();
    dlg.findChild<QPushButton*>("id1010")->click();
    Heartbeat heartbeat;
    heartbeat.Start();
    QElapsedTimer t;
    t.start();
    dlg.findChild<QPushButton*>("id1037")->click();
    Wait([&] { return !dlg.IsExporting(); });
    const double totalMs = double(t.nsecsElapsed()) / 1e6;
    const double stallMs = heartbeat.StopMs();
    const auto& totals = dlg.LastOutcome().totals;
    std::printf("contacts written:      %llu (failed %llu)\n", static_cast<unsigned long long>(totals.written),
                static_cast<unsigned long long>(totals.failed));
    return Report("PST export of the Contacts view in the dialog", totalMs, stallMs, heartbeat.LongestAtMs(), dlg.Log().blockCount() - 1,
                  qsizetype(totals.written));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    controls::MessageService::SetResponder([](const controls::MessageRequest&) { return controls::MsgAnswer::Ok; });
    const QStringList args = application.arguments();
    if (args.value(1) == "--export") return RealExport(args.value(2));
    return SinkOnly(args.value(1, "100000").toInt());
}
