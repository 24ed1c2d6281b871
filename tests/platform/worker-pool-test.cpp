#include "platform/worker-pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>
#include <vector>

#include "test-support.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;

// Jobs that wait for each other all run at once: the pool starts a thread
// for every job no idle one can take.
TEST(WorkerPoolTest, JobsThatWaitForEachOtherEachGetAThread)
{
    WorkerPool pool(5s);
    constexpr int kJobs = 8;
    std::atomic<int> arrived{0};
    std::promise<void> allThere;
    std::shared_future<void> go = allThere.get_future().share();
    std::vector<std::future<void>> done;
    for (int i = 0; i < kJobs; ++i) {
        auto finished = std::make_shared<std::promise<void>>();
        done.push_back(finished->get_future());
        ASSERT_TRUE(pool.Run([&, finished] {
            if (++arrived == kJobs)
                allThere.set_value();
            (void)go.wait_for(10s);
            finished->set_value();
        }));
    }
    ASSERT_EQ(go.wait_for(10s), std::future_status::ready) << arrived << " of " << kJobs << " jobs ran";
    for (auto& finished : done)
        ASSERT_EQ(finished.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(pool.GetThreadCount(), static_cast<std::size_t>(kJobs));
}

// One job after another, as a test pass starts the next server's test when
// one ends: the same thread takes them all, and it ends when none come.
TEST(WorkerPoolTest, JobsOneAfterAnotherShareAThreadThatEndsWhenIdle)
{
    WorkerPool pool(1s);
    std::set<std::thread::id> threads;
    for (int i = 0; i < 10; ++i) {
        std::promise<std::thread::id> ran;
        auto id = ran.get_future();
        ASSERT_TRUE(pool.Run([&ran] { ran.set_value(std::this_thread::get_id()); }));
        ASSERT_EQ(id.wait_for(10s), std::future_status::ready);
        threads.insert(id.get());
        std::this_thread::sleep_for(50ms); // its thread waits for the next
    }
    EXPECT_EQ(threads.size(), 1u) << "a thread for each job";
    EXPECT_TRUE(test::WaitFor([&] { return pool.GetThreadCount() == 0; }, 10s)) << "idle threads end";
    // A job after that starts a thread again.
    std::promise<void> ran;
    ASSERT_TRUE(pool.Run([&ran] { ran.set_value(); }));
    EXPECT_EQ(ran.get_future().wait_for(10s), std::future_status::ready);
}

// The end of the program waits for the jobs it stopped, against a deadline,
// and never for a watch over a program the user started.
TEST(WorkerPoolTest, TheEndWaitsForStoppedJobsUntilTheDeadlineAndLeavesWatches)
{
    WorkerPool pool(5s);
    std::promise<void> releaseJob;
    std::promise<void> releaseWatch;
    std::shared_future<void> jobMayEnd = releaseJob.get_future().share();
    std::shared_future<void> watchMayEnd = releaseWatch.get_future().share();
    ASSERT_TRUE(pool.Run([jobMayEnd] { (void)jobMayEnd.wait_for(10s); }));
    ASSERT_TRUE(pool.Run([watchMayEnd] { (void)watchMayEnd.wait_for(10s); }, AtExit::Leave));
    EXPECT_EQ(pool.GetWaitedJobCount(), 1u);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(pool.WaitForJobs(200ms)) << "a job still runs";
    EXPECT_GE(std::chrono::steady_clock::now() - before, 200ms) << "it waited until the deadline";

    releaseJob.set_value();
    EXPECT_TRUE(pool.WaitForJobs(10s)) << "the watch is not waited for";
    EXPECT_EQ(pool.GetWaitedJobCount(), 0u);
    EXPECT_EQ(pool.GetThreadCount(), 2u) << "the watch still runs";
    releaseWatch.set_value();
}

} // namespace
} // namespace velmora
