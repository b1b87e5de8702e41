#include <app/lost_display.h>
#include <app/ui_bridge.h>

#include <selection/scratch.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace app {

namespace {

// How long the tasks get to stop: an export stops between contacts and
// within a page of a PDF file.
constexpr auto kPatience = std::chrono::seconds(10);

std::atomic<bool> looping{false};
QtMessageHandler previousHandler = nullptr;

[[noreturn]] void EndWithoutDisplay() {
    std::fputs("ferrywell: the display went away; the running tasks are stopped\n", stderr);
    if (!EndEveryWorker(kPatience)) std::fputs("ferrywell: a task did not stop in time\n", stderr);
    selection::ProcessScratch().RemoveAll();
    std::fflush(nullptr);
    ::_exit(1);
}

// Qt says the connection broke just before it exits: the end starts there,
// before exit has destroyed anything.
void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (previousHandler) previousHandler(type, context, text);
    else std::fprintf(stderr, "%s\n", qPrintable(text));
    if (looping && type == QtWarningMsg && text.startsWith(QLatin1String("The X11 connection broke")))
        EndWithoutDisplay();
}

// Any other exit from inside the event loop: registered after the objects
// it uses were made, it runs before their destructors.
void AtExit() {
    if (looping.exchange(false)) EndWithoutDisplay();
}

}  // namespace

int ExecEndingCleanlyWithoutDisplay(QApplication& application) {
    selection::ProcessScratch();  // made now, so that it outlives the exit handler
    std::atexit(AtExit);
    previousHandler = qInstallMessageHandler(OnMessage);
    looping = true;
    const int status = application.exec();
    looping = false;
    qInstallMessageHandler(previousHandler);
    return status;
}

}  // namespace app
