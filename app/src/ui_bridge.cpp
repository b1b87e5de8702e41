#include <app/ui_bridge.h>

#include <notes/failure_text.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <iostream>
#include <thread>

namespace app {

namespace {
bool OnUiThread() {
    QCoreApplication* instance = QCoreApplication::instance();
    return instance && QThread::currentThread() == instance->thread();
}

// Hands a worker's failure to onFailure; one that cannot be reported there
// (no handler, or the handler fails too) goes to the standard error.
void ReportFailure(const WorkerFailure& onFailure, const std::string& what) noexcept {
    if (onFailure) {
        try {
            onFailure(what);
            return;
        } catch (...) {
        }
    }
    std::cerr << "ferrywell: a background task stopped: " << what << '\n';
}

}  // namespace

bool UiBridge::Call(std::function<void()> fn) {
    if (OnUiThread()) {
        if (IsClosed()) return false;
        fn();
        return true;
    }
    return Wait(Post(std::move(fn)));
}

UiBridge::Ticket UiBridge::Post(std::function<void()> fn) {
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    {
        std::lock_guard lock(mutex_);
        if (closed_ || !QCoreApplication::instance()) return nullptr;
    }
    auto self = shared_from_this();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [self, task] { self->Run(task); }, Qt::QueuedConnection);
    return task;
}

bool UiBridge::Wait(const Ticket& task) {
    if (!task) return false;
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return task->done || closed_; });
    return task->done;
}

void UiBridge::Run(const std::shared_ptr<Task>& task) {
    if (IsClosed()) return;
    task->fn();
    std::lock_guard lock(mutex_);
    task->done = true;
    cv_.notify_all();
}

void UiBridge::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    cv_.notify_all();
}

bool UiBridge::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void StartWorker(const std::shared_ptr<WorkerCount>& count, std::function<void()> fn, WorkerFailure onFailure) {
    count->Started();
    std::thread([count, fn = std::move(fn), onFailure = std::move(onFailure)] {
        try {
            fn();
        } catch (...) {
            ReportFailure(onFailure, notes::CurrentFailureText());
        }
        count->Ended();
    }).detach();
}

}  // namespace app
