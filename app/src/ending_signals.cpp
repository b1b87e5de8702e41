#include <app/ending_signals.h>

#include <selection/scratch.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

int signalPipe[2] = {-1, -1};

void OnEndingSignal(int signal) {
    const char number = char(signal);
    const ssize_t written = ::write(signalPipe[1], &number, 1);
    (void)written;  // a full pipe already holds an ending signal
}

}  // namespace

void RemoveScratchOnEndingSignals() {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char number = 0;
        if (::read(signalPipe[0], &number, 1) != 1) return;
        selection::ProcessScratch().RemoveAll();
        std::signal(number, SIG_DFL);
        std::raise(number);
    });
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace app
