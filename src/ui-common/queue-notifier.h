#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "platform/message-queue.h"

namespace velmora {

// Brings worker posts to the UI thread. The queue's wake-up only writes to
// an eventfd that the wake-up itself keeps open, so a worker that posts
// after the window is gone touches no Qt object.
class QueueNotifier : public QObject {
    Q_OBJECT
public:
    QueueNotifier(std::shared_ptr<MessageQueue> queue, QObject* parent);
    ~QueueNotifier() override;

signals:
    void MessagesWaiting();

private:
    struct Signal;
    std::shared_ptr<Signal> m_signal;
    QSocketNotifier* m_notifier = nullptr;
    std::shared_ptr<MessageQueue> m_queue;
};

} // namespace velmora
