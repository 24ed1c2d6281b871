#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

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

    // Owner side.
    std::optional<Message> TryTake();
    // Waits at most `timeout` for a message; empty when none arrived.
    std::optional<Message> WaitTake(std::chrono::milliseconds timeout);
    std::size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Message> m_messages;
    Wakeup m_wakeup;
};

} // namespace velmora
