// Items made on several threads come out in their numbers' order, and a
// stop on either side ends both without waiting for ever.
#include <base/ordered_window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Makers that take a varying time for each number, the slowest every 97th.
std::vector<std::thread> Makers(base::OrderedWindow<size_t>& window, size_t count, const std::atomic<bool>& stop) {
    std::vector<std::thread> makers;
    for (size_t m = 0; m < count; ++m)
        makers.emplace_back([&window, &stop] {
            while (!stop) {
                const std::optional<size_t> n = window.Claim();
                if (!n) break;
                if (*n % 97 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
                window.Put(*n, *n * 3);
            }
            window.Done();
        });
    return makers;
}

}  // namespace

TEST(OrderedWindow, ItemsComeInOrderWhateverMakesThem) {
    for (const size_t makers : {1u, 3u}) {
        for (const size_t capacity : {1u, 4u, 256u}) {
            SCOPED_TRACE(std::to_string(makers) + " makers, window " + std::to_string(capacity));
            constexpr size_t kTotal = 5000;
            base::OrderedWindow<size_t> window(kTotal, capacity, makers);
            std::atomic<bool> stop{false};
            auto threads = Makers(window, makers, stop);
            size_t expected = 0;
            while (std::optional<size_t> item = window.Take()) ASSERT_EQ(*item, 3 * expected++);
            for (auto& t : threads) t.join();
            EXPECT_EQ(expected, kTotal);
            EXPECT_TRUE(window.AllTaken());
        }
    }
    base::OrderedWindow<size_t> empty(0, 8, 2);
    std::atomic<bool> stop{false};
    auto threads = Makers(empty, 2, stop);
    EXPECT_FALSE(empty.Take());
    for (auto& t : threads) t.join();
}

TEST(OrderedWindow, AStopOnEitherSideEndsBoth) {
    // The makers stop: the taker gets what they put, in order, then nothing.
    {
        base::OrderedWindow<size_t> window(1000000, 64, 2);
        std::atomic<bool> stop{false};
        auto threads = Makers(window, 2, stop);
        size_t taken = 0;
        while (std::optional<size_t> item = window.Take()) {
            ASSERT_EQ(*item, 3 * taken++);
            if (taken == 500) stop = true;
        }
        for (auto& t : threads) t.join();
        EXPECT_GE(taken, 500u);
        EXPECT_FALSE(window.AllTaken());
    }
    // The taker cancels: makers waiting for room are let go.
    {
        base::OrderedWindow<size_t> window(1000000, 16, 3);
        std::atomic<bool> stop{false};
        auto threads = Makers(window, 3, stop);
        for (int i = 0; i < 10; ++i) ASSERT_TRUE(window.Take());
        window.Cancel();
        for (auto& t : threads) t.join();
        EXPECT_FALSE(window.Take());
    }
}
