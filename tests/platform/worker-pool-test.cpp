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

} // namespace
} // namespace velmora
