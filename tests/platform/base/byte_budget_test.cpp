// The bytes makers may hold ahead of a consumer: bounded, never stuck on the
// item the consumer needs, released by a cancel.
#include <base/byte_budget.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

bool Waiting(std::future<bool>& f) { return f.wait_for(std::chrono::seconds(0)) == std::future_status::timeout; }

}  // namespace

TEST(ByteBudget, HoldsMakersBackButNeverTheConsumersNextItem) {
    base::ByteBudget budget(10);
    EXPECT_TRUE(budget.Take(0, 1000)) << "the next item passes whatever its size";
    auto second = std::async(std::launch::async, [&] { return budget.Take(1, 5); });
    EXPECT_TRUE(Waiting(second)) << "it waits while the first holds more than the budget";
    budget.Give(1000, 1);  // the consumer is done with item 0 and needs item 1
    EXPECT_TRUE(second.get());
    EXPECT_EQ(budget.Held(), 5u);

    auto fourth = std::async(std::launch::async, [&] { return budget.Take(3, 6); });
    EXPECT_TRUE(budget.Take(2, 5)) << "what fits passes while a larger one waits";
    EXPECT_TRUE(Waiting(fourth));
    budget.Cancel();
    EXPECT_FALSE(fourth.get());
    EXPECT_FALSE(budget.Take(4, 0));
    EXPECT_EQ(budget.Held(), 10u);
}
