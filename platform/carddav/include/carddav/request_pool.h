// A few HTTP clients, each on a thread and a connection of its own, that
// run requests side by side: a job handed in while every client is busy
// waits for one to come free, so no more than the pool's size are ever in
// flight. Each job learns how it went through its future.
#pragma once

#include <carddav/http_client.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace carddav {

class RequestPool {
public:
    // size clients, each with options (and so the same credentials and stop).
    RequestPool(const HttpOptions& options, size_t size);
    // Lets the jobs that run end and lets go of the clients.
    ~RequestPool();
    RequestPool(const RequestPool&) = delete;
    RequestPool& operator=(const RequestPool&) = delete;

    // Runs job on a free client; waits while none is free. The future is
    // ready once the job has returned (or thrown).
    std::future<void> Run(std::function<void(HttpClient&)> job);

private:
    void Serve(HttpClient& http);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::packaged_task<void(HttpClient&)>> queue_;
    size_t busy_ = 0;  // jobs handed in and not yet returned
    bool ending_ = false;
    std::vector<std::unique_ptr<HttpClient>> clients_;
    std::vector<std::thread> threads_;
};

}  // namespace carddav
