// The longest gap between the beats of a 2 ms timer on the user-interface
// thread: how long the window stalled while something ran; and, of that gap,
// how long the thread was on a processor and how long it waited for one.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

class Heartbeat {
public:
    Heartbeat() : schedstat_(open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed(), cpu = ThreadCpuNs(), queued = QueuedNs();
            if (last_ >= 0 && now - last_ > 50'000'000) ++longGaps_;
            if (last_ >= 0 && now - last_ > maxGapNs_) {
                maxGapNs_ = now - last_;
                maxAtNs_ = now;
                maxCpuNs_ = cpu - lastCpu_;
                maxQueuedNs_ = queued - lastQueued_;
            }
            lastQueued_ = queued;
            last_ = now;
            lastCpu_ = cpu;
        });
    }
    ~Heartbeat() {
        if (schedstat_ >= 0) close(schedstat_);
    }
    Heartbeat(const Heartbeat&) = delete;
    Heartbeat& operator=(const Heartbeat&) = delete;
    void Start() {
        startCpuNs_ = ThreadCpuNs();
        maxGapNs_ = 0;
        maxAtNs_ = 0;
        longGaps_ = 0;
        last_ = -1;
        clock_.start();
        timer_.start();
    }
    // When the longest gap ended, in ms after Start.
    double LongestAtMs() const { return double(maxAtNs_) / 1e6; }
    // The processor time the thread had within the longest gap.
    double LongestCpuMs() const { return double(maxCpuNs_) / 1e6; }
    // The time the thread waited for a processor within the longest gap,
    // ready to run.
    double LongestQueuedMs() const { return double(maxQueuedNs_) / 1e6; }
    // Gaps over 50 ms.
    int LongGaps() const { return longGaps_; }
    // Runs from Start.
    const QElapsedTimer& Clock() const { return clock_; }
    // The processor time the thread had from Start to Stop.
    double CpuMs() const { return double(stopCpuNs_ - startCpuNs_) / 1e6; }
    double StopMs() {
        stopCpuNs_ = ThreadCpuNs();
        timer_.stop();
        return double(maxGapNs_) / 1e6;
    }

private:
    // The time this thread has spent ready to run but waiting for a
    // processor (the second figure of /proc/thread-self/schedstat; 0 where
    // the system does not say). The file stays open: each beat reads it anew.
    qint64 QueuedNs() const {
        char text[96];
        const ssize_t n = schedstat_ < 0 ? -1 : pread(schedstat_, text, sizeof text - 1, 0);
        if (n <= 0) return 0;
        text[n] = 0;
        char* end = nullptr;
        std::strtoll(text, &end, 10);
        return std::strtoll(end, nullptr, 10);
    }
    static qint64 ThreadCpuNs() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    }

    int schedstat_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1, maxGapNs_ = 0, maxAtNs_ = 0;
    qint64 lastCpu_ = 0, maxCpuNs_ = 0, lastQueued_ = 0, maxQueuedNs_ = 0, startCpuNs_ = 0, stopCpuNs_ = 0;
    int longGaps_ = 0;
};
