#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace TestSupport {

// A timer beating on the event loop from construction on; the longest gap between beats tells how long the loop
// was kept from running.
class Heartbeat
{
public:
    explicit Heartbeat(int intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(intervalMs);
        m_clock.start();
    }

    // The gap still running counts: the loop may have been kept from running until just now.
    double longestGapMs() const { return std::max(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace TestSupport
