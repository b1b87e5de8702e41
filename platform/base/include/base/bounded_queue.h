// A queue between one producing and one consuming thread that holds at most a
// given number of items: Push waits while it is full, Pop while it is empty,
// so the producer runs ahead of the consumer by that many items and no more.
// A waiting side is woken once a quarter of the queue has changed (or at the
// end), not for every item, so the two threads do not hand the processor to
// each other item by item.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace base {

template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(size_t capacity)
        : capacity_(capacity ? capacity : 1), wakeAfter_(capacity_ / 4 ? capacity_ / 4 : 1) {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    // Adds an item, waiting for room. False once the consumer cancelled: the
    // item is dropped.
    bool Push(T&& item) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return items_.size() < capacity_ || cancelled_; });
        if (cancelled_) return false;
        items_.push_back(std::move(item));
        // The consumer waits only on an empty queue.
        if (items_.size() == wakeAfter_) notEmpty_.notify_one();
        return true;
    }

    // The producer has no more items: Pop hands out what is left, then
    // nothing.
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        notEmpty_.notify_one();
    }

    // The consumer wants no more: Push returns false from now on and what is
    // queued is dropped.
    void Cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        items_.clear();
        notFull_.notify_one();
    }

    // The next item, waiting for one; nothing once the queue is closed and
    // empty, or cancelled.
    std::optional<T> Pop() {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [&] { return !items_.empty() || closed_ || cancelled_; });
        if (items_.empty() || cancelled_) return std::nullopt;
        std::optional<T> item(std::move(items_.front()));
        items_.pop_front();
        // The producer waits only on a full queue.
        if (items_.size() + wakeAfter_ == capacity_) notFull_.notify_one();
        return item;
    }

private:
    const size_t capacity_;
    const size_t wakeAfter_;  // items pushed or popped before a waiting side is woken
    std::mutex mutex_;
    std::condition_variable notFull_, notEmpty_;
    std::deque<T> items_;
    bool closed_ = false, cancelled_ = false;
};

}  // namespace base
