#include "platform/message-queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/paths.h"

namespace velmora {
namespace {

TEST(MessageQueueTest, MessagesFromManyWorkersArriveWholeAndInEachWorkersOrder)
{
    auto queue = std::make_shared<MessageQueue>();
    std::atomic<int> wakeups{0};
    queue->SetWakeup([&] { ++wakeups; });
    constexpr int kWorkers = 4;
    constexpr int kEach = 2000;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([queue, w] {
            for (int i = 0; i < kEach; ++i) {
                Message message;
                message.id = kMsgFoundHttpLink;
                message.lParam = static_cast<std::uint64_t>(w);
                message.wParam = static_cast<std::uint64_t>(i);
                message.link = std::make_unique<FoundLink>();
                message.link->text = std::to_string(w) + ":" + std::to_string(i);
                queue->Post(std::move(message));
            }
        });
    }
    std::vector<std::uint64_t> next(kWorkers, 0);
    int received = 0;
    while (received < kWorkers * kEach) {
        auto message = queue->WaitTake(std::chrono::seconds(10));
        ASSERT_TRUE(message) << "a post was lost";
        ASSERT_EQ(message->wParam, next[message->lParam]++);
        ASSERT_EQ(message->link->text, std::to_string(message->lParam) + ":" + std::to_string(message->wParam));
        ++received;
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(wakeups.load(), kWorkers * kEach);
    EXPECT_FALSE(queue->TryTake());
}

TEST(MessageQueueTest, WaitGivesUpAfterItsTimeout)
{
    MessageQueue queue;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(queue.WaitTake(std::chrono::milliseconds(20)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(MessageQueueTest, AWorkerThatOutlivesItsOwnerPostsIntoAQueueItStillOwns)
{
    std::atomic<bool> go{false};
    std::atomic<std::size_t> seenAfterPost{0};
    std::atomic<int> recordsFreed{0};
    std::weak_ptr<MessageQueue> watch;
    std::thread worker;
    {
        auto queue = std::make_shared<MessageQueue>();
        watch = queue;
        worker = std::thread([queue, &go, &seenAfterPost, &recordsFreed] {
            while (!go)
                std::this_thread::yield();
            Message late;
            late.id = kMsgEngineDone;
            late.record = std::shared_ptr<int>(new int(7), [&recordsFreed](int* record) {
                ++recordsFreed;
                delete record;
            });
            queue->Post(std::move(late));
            seenAfterPost = queue->Size();
        });
    } // the owner lets go of the queue first
    EXPECT_FALSE(watch.expired()) << "the worker keeps the queue alive";
    go = true;
    worker.join();
    EXPECT_EQ(seenAfterPost.load(), 1u) << "the late post landed";
    EXPECT_TRUE(watch.expired()) << "the last owner freed the queue";
    EXPECT_EQ(recordsFreed.load(), 1) << "and with it the record nobody read";
}

TEST(PathsTest, JoinsWithOneSlashAndReadsTheCurrentDirectory)
{
    EXPECT_EQ(JoinPath("/home/u/velmora", "settings.dat"), "/home/u/velmora/settings.dat");
    EXPECT_EQ(JoinPath("/", "settings.dat"), "//settings.dat");
    EXPECT_FALSE(GetWorkingDirectory().empty());
}

} // namespace
} // namespace velmora
