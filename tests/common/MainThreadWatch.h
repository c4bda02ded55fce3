#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

// Measures how long the main thread's event loop was held: a 5 ms timer records the longest
// interval between its ticks. A blocked loop cannot tick, so any stall shows as one long
// interval. Header-only: the benchmarks use it too.
class MainThreadWatch {
public:
    explicit MainThreadWatch(int periodMs = 5)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(periodMs);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    }

    void start()
    {
        m_longestNs = 0;
        m_clock.start();
        m_timer.start();
    }
    // Counts the time since the last tick too, so a stall that is still going shows.
    double stop()
    {
        tick();
        m_timer.stop();
        return longestMs();
    }
    double longestMs() const { return m_longestNs / 1e6; }

private:
    void tick()
    {
        m_longestNs = std::max(m_longestNs, m_clock.nsecsElapsed());
        m_clock.restart();
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longestNs = 0;
};
