#include <app/ui_bridge.h>

#include <notes/failure_text.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <deque>
#include <iostream>
#include <vector>
#include <thread>

namespace app {

namespace detail {
// Runs the posted calls on the user-interface thread, in order.
class Drainer : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void Drain();
};
}  // namespace detail

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

// Posted calls of every bridge wait in one queue under a mutex; only a call of
// Drainer::Drain by name, which Qt makes and frees itself, crosses Qt's queue
// to wake the user-interface thread. So no memory of ours passes through Qt's
// own locking, which a thread checker does not see.
struct PostedCall {
    std::shared_ptr<UiBridge> bridge;
    std::shared_ptr<UiBridgeTask> task;
};
std::mutex postedMutex;
std::deque<PostedCall> posted;

// The drainer lives on the user-interface thread as a child of the
// application; made by the first bridge, forgotten when the application goes.
std::atomic<detail::Drainer*> drainer{nullptr};

void EnsureDrainer() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || drainer.load() || !OnUiThread()) return;
    auto* d = new detail::Drainer;  // owned by the application
    d->setParent(app);
    QObject::connect(d, &QObject::destroyed, [] { drainer.store(nullptr); });
    drainer.store(d);
}

// What the process's end needs of every window's workers. Made once and
// never freed: it is used while the process exits.
struct EveryWorker {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
    std::vector<std::weak_ptr<UiBridge>> bridges;
    std::vector<std::weak_ptr<std::atomic<int>>> stops;
};
EveryWorker& Every() {
    static EveryWorker* every = new EveryWorker;
    return *every;
}

// Adds item to list, dropping the entries whose object is gone.
template <class T>
void Keep(std::vector<std::weak_ptr<T>>& list, const std::shared_ptr<T>& item) {
    std::erase_if(list, [](const std::weak_ptr<T>& p) { return p.expired(); });
    list.push_back(item);
}

}  // namespace

void detail::Drainer::Drain() {
    for (;;) {
        PostedCall call;
        {
            std::lock_guard lock(postedMutex);
            if (posted.empty()) return;
            call = std::move(posted.front());
            posted.pop_front();
        }
        call.bridge->Run(call.task);
    }
}

std::shared_ptr<UiBridge> UiBridge::Create() {
    EnsureDrainer();
    std::shared_ptr<UiBridge> bridge(new UiBridge);
    EveryWorker& every = Every();
    std::lock_guard lock(every.mutex);
    Keep(every.bridges, bridge);
    return bridge;
}

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
    detail::Drainer* target = drainer.load();
    if (!target) return nullptr;
    {
        std::lock_guard lock(postedMutex);
        posted.push_back({shared_from_this(), task});
    }
    QMetaObject::invokeMethod(target, "Drain", Qt::QueuedConnection);
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

bool UiBridge::WaitUntil(const std::function<bool()>& ready) {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return closed_ || ready(); });
    return !closed_;
}

void UiBridge::Notify() {
    std::lock_guard lock(mutex_);
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

void WorkerCount::Started() {
    std::lock_guard lock(mutex_);
    ++count_;
}

void WorkerCount::Ended() {
    std::function<void()> idle;
    {
        std::lock_guard lock(mutex_);
        if (--count_ > 0) return;
        ended_.notify_all();
        idle = onIdle_;
    }
    if (idle) idle();
}

void WorkerCount::SetOnIdle(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    onIdle_ = std::move(fn);
}

int WorkerCount::Running() const {
    std::lock_guard lock(mutex_);
    return count_;
}

void WorkerCount::WaitUntilNone() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return count_ == 0; });
}

void StartWorker(const std::shared_ptr<WorkerCount>& count, std::function<void()> fn, WorkerFailure onFailure) {
    EveryWorker& every = Every();
    {
        std::lock_guard lock(every.mutex);
        ++every.running;
    }
    count->Started();
    std::thread([count, fn = std::move(fn), onFailure = std::move(onFailure), &every] {
        try {
            fn();
        } catch (...) {
            ReportFailure(onFailure, notes::CurrentFailureText());
        }
        count->Ended();
        std::lock_guard lock(every.mutex);
        if (--every.running == 0) every.ended.notify_all();
    }).detach();
}

void RegisterStopRequest(const std::shared_ptr<std::atomic<int>>& stop) {
    EveryWorker& every = Every();
    std::lock_guard lock(every.mutex);
    Keep(every.stops, stop);
}

bool EndEveryWorker(std::chrono::milliseconds patience) {
    EveryWorker& every = Every();
    std::vector<std::shared_ptr<UiBridge>> bridges;
    {
        std::lock_guard lock(every.mutex);
        for (const auto& weak : every.stops)
            if (const auto stop = weak.lock()) stop->store(1);
        for (const auto& weak : every.bridges)
            if (auto bridge = weak.lock()) bridges.push_back(std::move(bridge));
    }
    for (const auto& bridge : bridges) bridge->Close();  // outside the lock: a worker's end takes it
    std::unique_lock lock(every.mutex);
    return every.ended.wait_for(lock, patience, [&] { return every.running == 0; });
}

}  // namespace app

#include "ui_bridge.moc"
