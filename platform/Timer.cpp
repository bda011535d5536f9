#include "platform/Timer.h"

#include <algorithm>

namespace kelvane {

Timer::Timer(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

Timer::Timer(int intervalMs, bool enabled, QObject* parent) : Timer(parent)
{
    m_interval = std::max(0, intervalMs);
    m_enabled = enabled;
    restart();
}

void Timer::setEnabled(bool enabled)
{
    // Re-enabling an enabled timer leaves its count alone, as a desktop timer does.
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    restart();
}

void Timer::setInterval(int intervalMs)
{
    // Setting the interval restarts the count, even to the same value.
    m_interval = std::max(0, intervalMs);
    restart();
}

void Timer::fire()
{
    if (m_enabled && m_interval > 0)
        Q_EMIT timeout();
}

void Timer::restart()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0) {
        // Precise: a window timer fires when its interval is up, not up to 5 % later or sooner.
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.start(std::max(m_interval, kMinimumPeriodMs));
    }
}

} // namespace kelvane
