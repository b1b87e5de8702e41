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
#include "../gui_trace.h"

#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>

#include <controls/dialog_services.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <thread>

namespace {

// Runs an event loop as a dialog's exec does (asleep while there is nothing
// to do) until done holds; a loop that polls instead would keep the thread
// busy and have the scheduler treat it as a processor hog.
void Wait(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(5);
    if (!done()) loop.exec();
}

TracingApplication* App() { return static_cast<TracingApplication*>(QCoreApplication::instance()); }

void StartWatch(Heartbeat& heartbeat) {
    heartbeat.Start();
    App()->StartTrace(heartbeat.Clock());
}

int Report(const char* what, double totalMs, Heartbeat& heartbeat, qsizetype logged, qsizetype expected) {
    App()->StopTrace();
    const double stallMs = heartbeat.StopMs(), stallAtMs = heartbeat.LongestAtMs();
    std::printf("%s\n", what);
    std::printf("log lines:             %lld (expected at least %lld)\n", static_cast<long long>(logged),
                static_cast<long long>(expected));
    std::printf("time:                  %9.1f ms (user-interface thread on a processor %.1f ms)\n", totalMs, heartbeat.CpuMs());
    std::printf("longest UI stall:      %9.1f ms (ending %.0f ms after the start)\n", stallMs, stallAtMs);
    std::printf("stalls over 50 ms:     %9d (in the longest: %.1f ms on a processor, %.1f ms waiting for one)\n",
                heartbeat.LongGaps(), heartbeat.LongestCpuMs(), heartbeat.LongestQueuedMs());
    App()->Print(stallAtMs - stallMs, stallAtMs);
    const bool ok = stallMs < 100.0 && logged >= expected;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}

int SinkOnly(int lines) {
    app::FerrywellState state;
    app::CConvertNotes dlg(state, {});
    dlg.show();
    std::atomic<bool> done{false};
    Heartbeat heartbeat;
    StartWatch(heartbeat);
    QElapsedTimer t;
    t.start();
    std::thread worker([&] {
        app::DialogExportSink sink(&dlg);
        for (int i = 0; i < lines; ++i) {
            const bool skip = i % 10 == 9;
            sink.AppendToLog(skip ? "Skip Message Dates Not match" : "Export Items: Contact number " + std::to_string(i),
                             skip ? exporting::kColourSkip : exporting::kColourProgress);
            sink.SetProgress(uint64_t(i + 1), uint64_t(lines));
        }
        sink.Finish();
        done = true;
    });
    // The log may still be showing what it queued.
    Wait([&] { return done.load() && dlg.Log().Backlog() == 0; });
    worker.join();
    const double totalMs = double(t.nsecsElapsed()) / 1e6;
    // The last line end opens an empty block.
    return Report("lines logged through the sink", totalMs, heartbeat, dlg.Log().blockCount() - 1, lines);
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
    StartWatch(heartbeat);
    QElapsedTimer t;
    t.start();
    dlg.findChild<QPushButton*>("id1037")->click();
    Wait([&] { return !dlg.IsExporting() && dlg.Log().Backlog() == 0; });
    const double totalMs = double(t.nsecsElapsed()) / 1e6;
    const auto& totals = dlg.LastOutcome().totals;
    std::printf("contacts written:      %llu (failed %llu)\n", static_cast<unsigned long long>(totals.written),
                static_cast<unsigned long long>(totals.failed));
    return Report("PST export of the Contacts view in the dialog", totalMs, heartbeat, dlg.Log().blockCount() - 1,
                  qsizetype(totals.written));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TracingApplication application(argc, argv);
    controls::MessageService::SetResponder([](const controls::MessageRequest&) { return controls::MsgAnswer::Ok; });
    const QStringList args = application.arguments();
    if (args.value(1) == "--export") return RealExport(args.value(2));
    return SinkOnly(args.value(1, "100000").toInt());
}
