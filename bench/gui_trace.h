// Times every event the user-interface thread delivers (wall clock and the
// thread's own processor time), so that a stall the heartbeat saw can be
// laid out: which events ran in it, and how much of it was waiting for a
// processor rather than work.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <cstdio>
#include <ctime>
#include <vector>

class TracingApplication : public QApplication {
public:
    using QApplication::QApplication;

    struct Entry {
        qint64 startNs, wallNs, cpuNs;
        int type;
        const char* receiver;
    };

    void StartTrace(const QElapsedTimer& clock) {
        clock_ = &clock;
        entries_.clear();
    }
    void StopTrace() { clock_ = nullptr; }

    bool notify(QObject* receiver, QEvent* event) override {
        if (!clock_ || depth_ > 0) return QApplication::notify(receiver, event);
        ++depth_;
        const qint64 start = clock_->nsecsElapsed(), cpu = ThreadCpuNs();
        const int type = event->type();
        const char* name = receiver->metaObject()->className();
        const bool result = QApplication::notify(receiver, event);
        const qint64 wall = clock_->nsecsElapsed() - start;
        if (wall > 2'000'000) entries_.push_back({start, wall, ThreadCpuNs() - cpu, type, name});
        --depth_;
        return result;
    }

    // The events over 2 ms that overlapped [fromMs, toMs].
    void Print(double fromMs, double toMs) const {
        for (const Entry& e : entries_) {
            const double s = double(e.startNs) / 1e6, w = double(e.wallNs) / 1e6;
            if (s + w < fromMs || s > toMs) continue;
            std::printf("  event %4d to %-22s at %8.1f ms: %6.1f ms wall, %6.1f ms cpu\n", e.type, e.receiver, s, w,
                        double(e.cpuNs) / 1e6);
        }
    }

private:
    static qint64 ThreadCpuNs() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    }

    const QElapsedTimer* clock_ = nullptr;
    int depth_ = 0;
    std::vector<Entry> entries_;
};
