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
    : QObject(parent), m_pSignal(std::make_shared<Signal>()), m_pQueue(std::move(queue))
{
    m_pNotifier = new QSocketNotifier(m_pSignal->fd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] {
        m_pSignal->Clear();
        emit MessagesWaiting();
    });
    std::shared_ptr<Signal> signal = m_pSignal;
    m_pQueue->SetWakeup([signal] { signal->Raise(); });
    if (m_pQueue->Size() > 0)
        m_pSignal->Raise();
}

QueueNotifier::~QueueNotifier()
{
    m_pQueue->SetWakeup({});
}

} // namespace velmora
