#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

// A 1 ms timer on the calling thread's event loop that notes the longest
// wait between its ticks: how long the loop was kept from its work. `onTick`
// runs at every tick.
class GapMeter {
public:
    explicit GapMeter(std::function<void()> onTick = {}) : m_onTick(std::move(onTick))
    {
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, static_cast<double>(now - m_last) / 1e6);
            m_last = now;
            if (m_onTick)
                m_onTick();
        });
        m_ticker.start(1);
    }

    double LongestMs() const { return m_longest; }
    qint64 ElapsedMs() const { return m_clock.elapsed(); }

private:
    std::function<void()> m_onTick;
    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_last = 0;
    double m_longest = 0;
};
