// Times the export dialog's log: a worker logs LINES lines (default 100000)
// through the dialog's export sink, as an export logs one line per contact,
// while a 2 ms heartbeat timer watches the user-interface thread.
//   bench_gui_log [LINES]
// Prints the figures and exits 1 when the longest stall reaches 100 ms or a
// line is missing from the log.
#include "../gui_heartbeat.h"

#include <app/convert_notes_dialog.h>

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int lines = application.arguments().value(1, "100000").toInt();

    notes::FerrywellState state;
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
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    QCoreApplication::processEvents();
    const double totalMs = double(t.nsecsElapsed()) / 1e6;
    const double stallMs = heartbeat.StopMs();
    const qsizetype logged = dlg.Log().blockCount() - 1;  // the last line end opens an empty block

    std::printf("log lines:             %lld of %d\n", static_cast<long long>(logged), lines);
    std::printf("time to log them all:  %9.1f ms\n", totalMs);
    std::printf("longest UI stall:      %9.1f ms\n", stallMs);
    const bool ok = stallMs < 100.0 && logged == lines;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    bridge->Close();
    return ok ? 0 : 1;
}
