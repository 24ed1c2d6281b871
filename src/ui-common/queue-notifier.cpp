#include "ui-common/queue-notifier.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace velmora {

struct QueueNotifier::Signal {
    int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ~Signal()
    {
        if (fd >= 0)
            ::close(fd);
    }
    void Raise() const
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(fd, &one, sizeof one);
    }
    void Clear() const
    {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto read = ::read(fd, &count, sizeof count);
    }
};

QueueNotifier::QueueNotifier(std::shared_ptr<MessageQueue> queue, QObject* parent)
    : QObject(parent), m_signal(std::make_shared<Signal>()), m_queue(std::move(queue))
{
    m_notifier = new QSocketNotifier(m_signal->fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        m_signal->Clear();
        emit MessagesWaiting();
    });
    std::shared_ptr<Signal> signal = m_signal;
    m_queue->SetWakeup([signal] { signal->Raise(); });
    if (m_queue->Size() > 0)
        m_signal->Raise();
}

QueueNotifier::~QueueNotifier()
{
    m_queue->SetWakeup({});
}

} // namespace velmora
