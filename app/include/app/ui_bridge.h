// Hands calls from worker threads to the user-interface thread and waits for
// them, the way a synchronous window message does. Once closed (the window
// is going away) pending and later calls are dropped and waiting workers go
// on at once, so that neither side can wait for the other for ever.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace app {

struct UiBridgeTask {
    std::function<void()> fn;
    bool done = false;
};

class UiBridge : public std::enable_shared_from_this<UiBridge> {
public:
    // Called on the user-interface thread, after the application is made.
    static std::shared_ptr<UiBridge> Create();

    // Runs fn on the user-interface thread and returns when it has run.
    // Called on that thread, fn runs at once. False when the bridge is closed.
    bool Call(std::function<void()> fn);
    // Queues fn for the user-interface thread without waiting; calls run in
    // the order they were queued. Wait(ticket) waits until it has run.
    using Task = UiBridgeTask;
    using Ticket = std::shared_ptr<Task>;
    Ticket Post(std::function<void()> fn);
    bool Wait(const Ticket& ticket);
    // Called on the user-interface thread only: runs a posted task (unless
    // the bridge is closed) and wakes the worker waiting for it.
    void Run(const std::shared_ptr<Task>& task);
    // Called on a worker: waits until ready() holds (true) or the bridge is
    // closed (false). ready() is checked under the bridge's lock, so the
    // user-interface thread, having changed what it reads, calls Notify.
    bool WaitUntil(const std::function<bool()>& ready);
    void Notify();
    // Called on the user-interface thread only.
    void Close();
    bool IsClosed() const;

private:
    UiBridge() = default;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool closed_ = false;
};

// Counts the running worker threads of one window.
class WorkerCount {
public:
    void Started();
    void Ended();
    int Running() const;
    // Returns once no worker counted here runs any more.
    void WaitUntilNone();
    // fn runs on a worker's thread whenever its end leaves none running.
    void SetOnIdle(std::function<void()> fn);

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    int count_ = 0;
    std::function<void()> onIdle_;
};

// What a worker that failed reports: the text of what it threw.
using WorkerFailure = std::function<void(const std::string& what)>;

// Starts fn on a detached thread of its own; count tracks it. Whatever fn
// throws is caught on that thread and handed to onFailure (or, without one,
// written to the standard error), so no exception leaves a worker.
void StartWorker(const std::shared_ptr<WorkerCount>& count, std::function<void()> fn, WorkerFailure onFailure = {});

// For a process that must end without its windows (its display went away):
// the stop requests its tasks follow are registered as they are made (held
// weakly), and EndEveryWorker sets each one, closes every bridge, so that no
// worker waits for the user-interface thread, and waits at most patience for
// every worker of the process to end. True when none runs any more.
void RegisterStopRequest(const std::shared_ptr<std::atomic<int>>& stop);
bool EndEveryWorker(std::chrono::milliseconds patience);

}  // namespace app
