// Bytes that threads working ahead of a consumer may hold at once. A maker
// of item n asks for its bytes before handing the item on and waits while
// they would pass the budget; the consumer gives them back once it is done
// with the item. The item the consumer needs next, or any item when nothing
// is held, is let through whatever its size, so that one large item (or a
// budget smaller than an item) never stops the work: the bytes held stay
// below the budget plus what the makers hold while they wait.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace base {

class ByteBudget {
public:
    explicit ByteBudget(uint64_t budget) : budget_(budget) {}

    // Takes bytes for item number n, waiting while they do not fit (unless n
    // is the consumer's next item). False when cancelled: nothing is taken.
    bool Take(uint64_t n, uint64_t bytes) {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return cancelled_ || held_ == 0 || n <= next_ || held_ + bytes <= budget_; });
        if (cancelled_) return false;
        held_ += bytes;
        return true;
    }
    // The consumer is done with an item of these bytes, and needs item next now.
    void Give(uint64_t bytes, uint64_t next) {
        {
            std::lock_guard lock(mutex_);
            held_ -= bytes < held_ ? bytes : held_;
            next_ = next;
        }
        cv_.notify_all();
    }
    // Wakes every waiting maker; Take answers false from now on.
    void Cancel() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        cv_.notify_all();
    }
    uint64_t Held() const {
        std::lock_guard lock(mutex_);
        return held_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    const uint64_t budget_;
    uint64_t held_ = 0;
    uint64_t next_ = 0;
    bool cancelled_ = false;
};

}  // namespace base
