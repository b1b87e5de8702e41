// A worker that throws reports what it threw and ends; the program goes on.
#include "test_support.h"

#include <app/ferrywell_dlg.h>
#include <app/ui_bridge.h>

#include <app/ferrywell_state.h>
#include <notesapi/lnstatus.h>

#include <QLabel>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

void WaitForWorkers(const app::WorkerCount& count) {
    QTRY_COMPARE_WITH_TIMEOUT(count.Running(), 0, 10000);
}

}  // namespace

class WorkerFailureTest : public QObject {
    Q_OBJECT
private slots:
    void failureOfEveryKindReachesTheHandler();
    void windowShowsTheFailureInStatusAndMessage();
    void everyWorkerEndsWhenTheProcessMust();
};

void WorkerFailureTest::failureOfEveryKindReachesTheHandler() {
    struct Case {
        std::function<void()> fn;
        std::string expected;
    } cases[] = {
        {[] { throw std::runtime_error("Cannot write \"/full/disk.pst\": No space left on device"); },
         "Cannot write \"/full/disk.pst\": No space left on device"},
        {[] { throw notesapi::NotesError(LNERR_FILE_OPEN, "The database names.dxl cannot be read."); },
         "The database names.dxl cannot be read."},
        {[] { throw 42; }, "An unknown error"},
        {[] {}, ""},
    };
    auto count = std::make_shared<app::WorkerCount>();
    for (const Case& c : cases) {
        std::mutex mutex;
        std::string reported;
        app::StartWorker(count, c.fn, [&](const std::string& what) {
            std::lock_guard lock(mutex);
            reported = what;
        });
        WaitForWorkers(*count);
        std::lock_guard lock(mutex);
        QCOMPARE(reported, c.expected);
    }
    // Without a handler, and with one that fails itself, the worker still ends.
    app::StartWorker(count, [] { throw std::runtime_error("unheard"); });
    app::StartWorker(count, [] { throw std::runtime_error("unheard"); },
                     [](const std::string&) { throw std::runtime_error("handler broken"); });
    WaitForWorkers(*count);
}

void WorkerFailureTest::windowShowsTheFailureInStatusAndMessage() {
    ScriptedDialogs dialogs;
    app::CFerrywellDlg dlg(std::make_shared<app::FerrywellState>());
    dlg.RunInWorker([] { throw std::runtime_error("The store Personal Folders is closed; log on again"); });
    WaitForWorkers(*dlg.Workers());
    const QString expected = QString(app::kTaskFailed) + "The store Personal Folders is closed; log on again";
    QCOMPARE(dlg.StatusText(), expected);
    QCOMPARE(dialogs.messages, QStringList{expected});
    QCOMPARE(dialogs.icons.back(), controls::MsgIcon::Stop);
}

// The end without a display: a task waiting for its stop request and one
// waiting for the user-interface thread (which no longer runs events) both
// end, and the wait for them says so; with nothing left it returns at once.
void WorkerFailureTest::everyWorkerEndsWhenTheProcessMust() {
    auto count = std::make_shared<app::WorkerCount>();
    auto stop = std::make_shared<std::atomic<int>>(0);
    app::RegisterStopRequest(stop);
    auto bridge = app::UiBridge::Create();
    std::atomic<bool> called{false};
    app::StartWorker(count, [stop] {
        while (!stop->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    app::StartWorker(count, [bridge, &called] { called = bridge->Call([] {}); });
    QVERIFY(app::EndEveryWorker(std::chrono::seconds(10)));
    QCOMPARE(count->Running(), 0);
    QVERIFY(!called);
    QVERIFY(app::EndEveryWorker(std::chrono::milliseconds(0)));
}

QTEST_MAIN(WorkerFailureTest)
#include "worker_failure_test.moc"
