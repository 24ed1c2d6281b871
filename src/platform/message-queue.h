#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/messages.h"

namespace velmora {

// Thread-safe queue from workers to the owning thread. Workers only post;
// the owner drains. The wake-up callback runs on the posting thread, so it
// must only nudge the owner (a queued Qt call, a condition variable).
// Workers co-own the queue through shared_ptr, so a late post after the
// owner has gone lands in a queue nobody reads.
class MessageQueue {
public:
    using Wakeup = std::function<void()>;

    void SetWakeup(Wakeup wakeup);
    void Post(Message message);
    // Posts once fewer than `limit` messages wait, so a worker that outruns
    // the owner waits for it instead of piling up memory; at once when
    // `stop` is set (read every 10 ms while waiting).
    void PostWithRoom(Message message, std::size_t limit, const std::atomic<bool>* stop);
    // Posts every message of `batch` in order under one lock and with one
    // wake-up, and empties it; with a `limit`, first waits for room as
    // PostWithRoom does.
    void PostBatch(std::vector<Message>& batch, std::size_t limit = 0, const std::atomic<bool>* stop = nullptr);

    // Owner side.
    std::optional<Message> TryTake();
    // Waits at most `timeout` for a message; empty when none arrived.
    std::optional<Message> WaitTake(std::chrono::milliseconds timeout);
    std::size_t Size() const;

private:
    Message TakeFront();
    void WaitForRoom(std::unique_lock<std::mutex>& lock, std::size_t limit, const std::atomic<bool>* stop);
    void Wake(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room; // a message was taken while a poster waits
    int m_waitingForRoom = 0;
    std::size_t m_roomAt = 0; // how few must wait for a waiting poster to go on
    std::deque<Message> m_messages;
    Wakeup m_wakeup;
};

} // namespace velmora
