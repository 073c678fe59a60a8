// The worker pool: every index once on any number of threads, and a body that
// throws (memory run short in a render) ends its loop with the exception on
// the caller's thread instead of ending the process on a worker's.
#include "base/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace calyra {
namespace {

class WorkerPoolTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override { SetWorkerThreads(GetParam()); }
    void TearDown() override { SetWorkerThreads(saved_); }

    // How often each of count indices ran.
    static std::vector<int> Hits(std::int32_t count) {
        const auto hits = std::make_unique<std::atomic<int>[]>(count);
        ParallelFor(count, [&](std::int32_t i) { hits[i].fetch_add(1); });
        std::vector<int> result;
        for (std::int32_t i = 0; i < count; ++i) result.push_back(hits[i].load());
        return result;
    }

  private:
    int saved_ = WorkerThreads();
};

TEST_P(WorkerPoolTest, EveryIndexRunsOnce) {
    EXPECT_EQ(Hits(1000), std::vector<int>(1000, 1));
}

TEST_P(WorkerPoolTest, AThrowingBodyEndsTheLoopOnTheCallersThreadAndThePoolGoesOn) {
    // Index 0 waits until another has begun, which on more than one thread is
    // another thread's; every index but 0 throws.
    std::atomic<int> begun{0};
    const bool helped = GetParam() > 1;
    EXPECT_THROW(ParallelFor(1000,
                             [&](std::int32_t i) {
                                 begun.fetch_add(1);
                                 if (i > 0) throw std::bad_alloc();
                                 while (helped && begun.load() < 2) std::this_thread::yield();
                             }),
                 std::bad_alloc);
    EXPECT_LT(begun.load(), 1000);
    EXPECT_EQ(Hits(1000), std::vector<int>(1000, 1));
}

INSTANTIATE_TEST_SUITE_P(Threads, WorkerPoolTest, ::testing::Values(1, 2, 4),
                         [](const auto& threads) {
                             return std::to_string(threads.param) + "Threads";
                         });

}  // namespace
}  // namespace calyra
