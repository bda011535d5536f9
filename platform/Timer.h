#pragma once

#include <QObject>
#include <QTimer>

namespace kelvane {

// A window timer with the two properties windows use: Enabled and Interval.
// Interval 0 keeps the timer silent even while enabled. Like a desktop window timer, very short
// intervals are raised to a minimum period, so a 1 ms fade step runs at the platform's pace
// instead of spinning.
class Timer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinimumPeriodMs = 15;

    explicit Timer(QObject* parent = nullptr);
    Timer(int intervalMs, bool enabled, QObject* parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int Interval() const { return m_interval; }
    void setInterval(int intervalMs);

    // Delivers one tick now, as the platform would: only while enabled with a non-zero interval.
    // Tests drive timed sequences with it instead of waiting.
    void fire();

    // True when the platform is counting towards a tick.
    bool isRunning() const { return m_timer.isActive(); }
    // Milliseconds to the next tick, -1 when not counting.
    int remainingTime() const { return m_timer.remainingTime(); }

Q_SIGNALS:
    void timeout();

private:
    void restart();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};

} // namespace kelvane
