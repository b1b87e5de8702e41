#include <carddav/request_pool.h>

#include <algorithm>

namespace carddav {

RequestPool::RequestPool(const HttpOptions& options, size_t size) {
    for (size_t i = 0; i < std::max<size_t>(size, 1); ++i) {
        clients_.push_back(std::make_unique<HttpClient>(options));
        threads_.emplace_back([this, http = clients_.back().get()] { Serve(*http); });
    }
}

RequestPool::~RequestPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
}

std::future<void> RequestPool::Run(std::function<void(HttpClient&)> job) {
    std::packaged_task<void(HttpClient&)> task(std::move(job));
    std::future<void> done = task.get_future();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return busy_ < clients_.size(); });
    ++busy_;
    queue_.push_back(std::move(task));
    lock.unlock();
    changed_.notify_all();
    return done;
}

void RequestPool::Serve(HttpClient& http) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        // The jobs handed in are run even when the pool ends: their
        // futures are waited for.
        if (queue_.empty()) return;
        std::packaged_task<void(HttpClient&)> task = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        task(http);
        lock.lock();
        --busy_;
        changed_.notify_all();
    }
}

}  // namespace carddav
