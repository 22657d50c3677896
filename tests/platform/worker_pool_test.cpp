#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

namespace mobrel {
namespace {

TEST(ParallelWorkerPool, RunsEveryTaskAndOneThreadKeepsTheirOrder) {
    std::vector<int> order;
    std::promise<void> last;
    {
        TWorkerPool pool(1);
        for (int i = 0; i < 100; ++i) {
            pool.Submit([&order, i] { order.push_back(i); });
        }
        pool.Submit([&last] { last.set_value(); });
        last.get_future().wait();
    }
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
}

TEST(ParallelWorkerPool, DestructionWaitsForRunningTasksAndDropsQueuedOnes) {
    std::atomic<int> finished = 0;
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::future<void> destroyed;
    {
        auto pool = std::make_unique<TWorkerPool>(1);
        pool->Submit([&] {
            started.set_value();
            released.wait();
            ++finished;
        });
        pool->Submit([&] { ++finished; });  // still queued when the pool goes
        started.get_future().wait();
        destroyed = std::async(std::launch::async, [&pool] { pool.reset(); });
        EXPECT_EQ(destroyed.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        release.set_value();
        destroyed.wait();
    }
    EXPECT_EQ(finished, 1);
}

TEST(ParallelWorkerPool, ZeroThreadsMeansOnePerCore) {
    EXPECT_GE(WorkerThreadsFor(0), 1);
    EXPECT_EQ(WorkerThreadsFor(3), 3);
    EXPECT_EQ(TWorkerPool(0).Size(), 1);
}

}  // namespace
}  // namespace mobrel
