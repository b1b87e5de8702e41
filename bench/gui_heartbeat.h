// The longest gap between the beats of a 2 ms timer on the user-interface
// thread: how long the window stalled while something ran.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class Heartbeat {
public:
    Heartbeat() {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last_ >= 0 && now - last_ > maxGapNs_) {
                maxGapNs_ = now - last_;
                maxAtNs_ = now;
            }
            last_ = now;
        });
    }
    void Start() {
        maxGapNs_ = 0;
        maxAtNs_ = 0;
        last_ = -1;
        clock_.start();
        timer_.start();
    }
    // When the longest gap ended, in ms after Start.
    double LongestAtMs() const { return double(maxAtNs_) / 1e6; }
    double StopMs() {
        timer_.stop();
        return double(maxGapNs_) / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1, maxGapNs_ = 0, maxAtNs_ = 0;
};
