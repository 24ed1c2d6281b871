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
    Wakeup wakeup;
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
        wakeup = m_wakeup;
    }
    m_ready.notify_one();
    if (wakeup)
        wakeup();
}

std::optional<Message> MessageQueue::TryTake()
{
    std::lock_guard lock(m_mutex);
    if (m_messages.empty())
        return std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

std::optional<Message> MessageQueue::WaitTake(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_ready.wait_for(lock, timeout, [this] { return !m_messages.empty(); }))
        return std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

std::size_t MessageQueue::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}

} // namespace velmora
