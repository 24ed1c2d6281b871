#include "platform/message-queue.h"

#include <utility>

namespace velmora {

void MessageQueue::SetWakeup(Wakeup wakeup)
{
    std::lock_guard lock(m_mutex);
    m_wakeup = std::move(wakeup);
}

void MessageQueue::Post(Message message)
{
    std::unique_lock lock(m_mutex);
    m_messages.push_back(std::move(message));
    Wake(lock);
}

void MessageQueue::WaitForRoom(std::unique_lock<std::mutex>& lock, std::size_t limit, const std::atomic<bool>* stop)
{
    if (limit == 0 || m_messages.size() < limit)
        return;
    // Woken once half of them are taken: the poster then goes on for a
    // while instead of waking at every message.
    m_roomAt = limit / 2;
    ++m_waitingForRoom;
    while (m_messages.size() > m_roomAt && !(stop && stop->load(std::memory_order_relaxed)))
        m_room.wait_for(lock, std::chrono::milliseconds(10));
    --m_waitingForRoom;
}

void MessageQueue::PostWithRoom(Message message, std::size_t limit, const std::atomic<bool>* stop)
{
    std::unique_lock lock(m_mutex);
    WaitForRoom(lock, limit, stop);
    m_messages.push_back(std::move(message));
    Wake(lock);
}

void MessageQueue::PostBatch(std::vector<Message>& batch, std::size_t limit, const std::atomic<bool>* stop)
{
    if (batch.empty())
        return;
    std::unique_lock lock(m_mutex);
    WaitForRoom(lock, limit, stop);
    for (Message& message : batch)
        m_messages.push_back(std::move(message));
    batch.clear();
    Wake(lock);
}

// Unlocks, then tells the owner: the wake-up may take locks of its own.
void MessageQueue::Wake(std::unique_lock<std::mutex>& lock)
{
    Wakeup wakeup = m_wakeup;
    lock.unlock();
    m_ready.notify_one();
    if (wakeup)
        wakeup();
}

Message MessageQueue::TakeFront()
{
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    if (m_waitingForRoom > 0 && m_messages.size() <= m_roomAt)
        m_room.notify_all();
    return message;
}

std::optional<Message> MessageQueue::TryTake()
{
    std::lock_guard lock(m_mutex);
    if (m_messages.empty())
        return std::nullopt;
    return TakeFront();
}

std::optional<Message> MessageQueue::WaitTake(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_ready.wait_for(lock, timeout, [this] { return !m_messages.empty(); }))
        return std::nullopt;
    return TakeFront();
}

std::size_t MessageQueue::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}

} // namespace velmora
