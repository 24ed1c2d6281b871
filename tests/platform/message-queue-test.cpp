#include "platform/message-queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
                message.subject = static_cast<std::uint64_t>(w);
                message.value = static_cast<std::uint64_t>(i);
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
        ASSERT_EQ(message->value, next[message->subject]++);
        ASSERT_EQ(message->link->text, std::to_string(message->subject) + ":" + std::to_string(message->value));
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

// A worker that outruns its owner waits for room instead of piling up
// messages; every message still arrives, in order; a stop lets it post at
// once.
TEST(MessageQueueTest, APosterWaitsForRoomAndAStopLetsItGoOn)
{
    MessageQueue queue;
    std::atomic<bool> stop{false};
    constexpr std::uint64_t kMessages = 5000;
    std::thread worker([&] {
        for (std::uint64_t n = 0; n < kMessages; ++n) {
            Message message;
            message.value = n;
            queue.PostWithRoom(std::move(message), 100, &stop);
        }
    });
    std::size_t most = 0;
    for (std::uint64_t expected = 0; expected < kMessages;) {
        most = std::max(most, queue.Size());
        if (auto message = queue.WaitTake(std::chrono::seconds(5))) {
            ASSERT_EQ(message->value, expected++);
        } else {
            FAIL() << "the worker stopped posting after " << expected;
        }
        if (expected % 100 == 0) // a slow owner now and then
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_LE(most, 100u);

    // Nobody takes: the poster waits until it is told to stop.
    for (int n = 0; n < 100; ++n)
        queue.Post(Message{});
    std::atomic<bool> posted{false};
    std::thread blocked([&] {
        queue.PostWithRoom(Message{}, 100, &stop);
        posted = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(posted);
    stop = true;
    blocked.join();
    EXPECT_TRUE(posted);
    EXPECT_EQ(queue.Size(), 101u);
}

TEST(MessageQueueTest, ABatchArrivesWholeInOrderAfterRoomIsMade)
{
    MessageQueue queue;
    int wakeups = 0;
    queue.SetWakeup([&] { ++wakeups; });
    std::atomic<bool> stop{false};
    for (int n = 0; n < 100; ++n)
        queue.Post(Message{});
    wakeups = 0;
    std::vector<Message> batch(5);
    for (std::uint64_t n = 0; n < batch.size(); ++n)
        batch[n].value = 1000 + n;
    std::thread poster([&] { queue.PostBatch(batch, 100, &stop); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(queue.Size(), 100u) << "a full queue makes the batch wait";
    for (int n = 0; n < 60; ++n)
        queue.TryTake();
    poster.join();
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(wakeups, 1) << "one wake-up for the batch";
    ASSERT_EQ(queue.Size(), 45u);
    for (int n = 0; n < 40; ++n)
        queue.TryTake();
    for (std::uint64_t n = 0; n < 5; ++n)
        EXPECT_EQ(queue.TryTake()->value, 1000 + n);
}

} // namespace
} // namespace velmora
