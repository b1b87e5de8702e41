// Work numbered 0, 1, 2... made on several threads and taken on one in the
// order of its numbers. A maker claims the next number, at most `capacity`
// ahead of the taker, and puts what it made under it; the taker takes the
// items one after another. Whichever maker is free takes the next number, so
// a maker that falls behind holds up the taker for one item at most, and no
// maker waits for another's share.
//
// A waiting side is woken only once it has enough to do: the taker when a
// batch (a quarter of the window) is ready in order, or everything claimed
// is, and at the latest kMaxHold after an item is ready; the makers when a
// quarter of the window is free again. So the threads do not hand the
// processor to each other item by item, and a slow item does not hold back
// those before it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace base {

template <typename T>
class OrderedWindow {
public:
    // total numbers, for makers makers (each says Done when it stops).
    OrderedWindow(size_t total, size_t capacity, size_t makers)
        : total_(total), slots_(capacity ? capacity : 1), batch_(slots_.size() / 4 ? slots_.size() / 4 : 1),
          makers_(makers) {}
    OrderedWindow(const OrderedWindow&) = delete;
    OrderedWindow& operator=(const OrderedWindow&) = delete;

    // The next number to make, waiting while the window is full; nothing once
    // every number is claimed, or the taker cancelled. A claimed number must
    // be put.
    std::optional<size_t> Claim() {
        std::unique_lock lock(mutex_);
        ++makersWaiting_;
        makersCv_.wait(lock, [&] { return cancelled_ || claimed_ == total_ || claimed_ < taken_ + slots_.size(); });
        --makersWaiting_;
        if (cancelled_ || claimed_ == total_) return std::nullopt;
        return claimed_++;
    }

    void Put(size_t number, T&& item) {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
        slots_[number % slots_.size()].emplace(std::move(item));
        while (ready_ < claimed_ && slots_[ready_ % slots_.size()]) ++ready_;
        WakeTaker();
    }

    // A maker stops claiming.
    void Done() {
        std::lock_guard lock(mutex_);
        ++done_;
        WakeTaker();
    }

    // The next item in order, waiting for it; nothing once every number is
    // taken, once the makers all stopped and what they put is taken, or once
    // cancelled.
    std::optional<T> Take() {
        std::unique_lock lock(mutex_);
        takerWaiting_ = true;
        const auto pred = [&] {
            return cancelled_ || ready_ > taken_ || taken_ == total_ || (done_ == makers_ && ready_ == claimed_);
        };
        while (!takerCv_.wait_for(lock, kMaxHold, pred)) {
        }
        takerWaiting_ = false;
        if (cancelled_ || ready_ == taken_) return std::nullopt;
        std::optional<T>& slot = slots_[taken_ % slots_.size()];
        std::optional<T> item(std::move(slot));
        slot.reset();
        ++taken_;
        if (makersWaiting_ && claimed_ + batch_ <= taken_ + slots_.size()) makersCv_.notify_all();
        return item;
    }

    // True once every number was taken.
    bool AllTaken() {
        std::lock_guard lock(mutex_);
        return taken_ == total_;
    }

    // The taker wants no more: Claim gives nothing from now on, and what is
    // put is dropped.
    void Cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        for (auto& slot : slots_) slot.reset();
        makersCv_.notify_all();
        takerCv_.notify_all();
    }

private:
    static constexpr std::chrono::milliseconds kMaxHold{10};

    void WakeTaker() {
        if (takerWaiting_ && (ready_ >= taken_ + batch_ || ready_ == claimed_)) takerCv_.notify_one();
    }

    const size_t total_;
    std::vector<std::optional<T>> slots_;  // number n in slot n % size
    const size_t batch_;
    const size_t makers_;
    std::mutex mutex_;
    std::condition_variable makersCv_, takerCv_;
    size_t claimed_ = 0, ready_ = 0, taken_ = 0;  // [taken_, ready_) are put, in order
    size_t done_ = 0, makersWaiting_ = 0;
    bool takerWaiting_ = false, cancelled_ = false;
};

}  // namespace base
