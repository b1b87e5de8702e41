// The export dialogs' log takes its entries a slice at a time: whatever way
// they come (a queue drained by the event loop, read before it is drained, a
// worker's sink in batches, a line added on the window's own thread), every
// entry is there once, in order, in its colour, empty ones included.
#include <app/convert_notes_dialog.h>
#include <app/export_dialog.h>
#include <app/export_log.h>
#include <app/ferrywell_state.h>

#include <QtTest>

#include <thread>

namespace {

constexpr uint32_t kGreen = 0x009900, kOne = 0x000001, kRed = 0x0000CC;

// count entries: runs of one colour of different lengths, empty entries
// among them, one at a run's start and two in a row.
std::vector<app::LogLine> Entries(int count) {
    std::vector<app::LogLine> lines;
    const uint32_t colours[] = {kGreen, kOne, kRed};
    for (int i = 0; i < count; ++i) {
        const uint32_t colour = colours[(i / 7 + i / 13) % 3];
        const bool empty = i % 11 == 0 || i % 11 == 1;
        lines.push_back({empty ? std::string() : "Export Items: entry " + std::to_string(i), colour});
    }
    return lines;
}

void Compare(app::CExportLog& log, const std::vector<app::LogLine>& expected) {
    const QStringList lines = log.Lines();
    QCOMPARE(lines.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(lines[int(i)], QString::fromStdString(expected[i].text));
        QCOMPARE(log.LineColour(int(i)), app::LogColour(expected[i].colour));
    }
    QCOMPARE(log.Backlog(), size_t(0));
}

}  // namespace

class ExportLogTest : public QObject {
    Q_OBJECT
private slots:
    void everyEntryInOrderInItsColour();
    void aWorkersBatchesAndTheWindowsOwnLine();
};

void ExportLogTest::everyEntryInOrderInItsColour() {
    struct Case {
        const char* name;
        int count;
        bool drainFirst;  // let the event loop take the queue, or read at once
    } cases[] = {
        {"one entry, read at once", 1, false},
        {"several slices, drained by the event loop", int(app::CExportLog::kLinesPerTurn) * 5 + 17, true},
        {"several slices, read before they are drained", int(app::CExportLog::kLinesPerTurn) * 3 + 1, false},
    };
    for (const Case& c : cases) {
        qInfo("%s", c.name);
        app::CExportLog log;
        const std::vector<app::LogLine> expected = Entries(c.count);
        // In two calls, the second split off the middle of a run.
        log.AppendLines({expected.begin(), expected.begin() + c.count / 2});
        log.AppendLines({expected.begin() + c.count / 2, expected.end()});
        if (c.drainFirst) {
            QCOMPARE(log.Backlog(), expected.size());
            QTRY_COMPARE_WITH_TIMEOUT(log.Backlog(), size_t(0), 10000);
        }
        Compare(log, expected);
        if (QTest::currentTestFailed()) return;
    }
}

void ExportLogTest::aWorkersBatchesAndTheWindowsOwnLine() {
    app::FerrywellState state;
    app::CConvertNotes dlg(state, {});
    // More than fits one batch and more than the log lets wait at once.
    const std::vector<app::LogLine> expected = Entries(int(app::DialogExportSink::kMaxBacklog) + 5000);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        app::DialogExportSink sink(&dlg);
        for (const app::LogLine& line : expected) sink.AppendToLog(line.text, line.colour);
        sink.Finish();
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 60000);
    worker.join();
    // A line of the window's own (the stop notice) comes after what the
    // export logged before it.
    dlg.Log().AppendToLog("Saving process stopped by user!", kGreen);
    std::vector<app::LogLine> all = expected;
    all.push_back({"Saving process stopped by user!", kGreen});
    Compare(dlg.Log(), all);
}

QTEST_MAIN(ExportLogTest)
#include "export_log_test.moc"
