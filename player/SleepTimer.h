#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QMenu;
class QWidget;

namespace kelvane {

class PlayerEngine;

// The time the sleep timer counts in, and its heartbeat. Tests pass a clock they move by hand.
class SleepClock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual qint64 nowMs() const = 0;
    // Beats are needed only while a timer runs.
    virtual void setBeating(bool beating) = 0;

Q_SIGNALS:
    // Often enough for the fade and the status line's seconds.
    void beat();
};

// The machine's steady clock, beating four times a second.
class SteadySleepClock final : public SleepClock
{
public:
    explicit SteadySleepClock(QObject* parent = nullptr);
    qint64 nowMs() const override { return m_clock.elapsed(); }
    void setBeating(bool beating) override;

private:
    QElapsedTimer m_clock;
    QTimer m_beat;
};

// Stops an engine after a while ("定时停止"). Over the last 30 s the volume fades to nothing;
// then playback stops and the volume is put back for next time. Another station keeps it
// running; a stop by hand ends it.
class SleepTimer : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kFadeMs = 30'000;

    // Without a clock the steady one is used.
    SleepTimer(PlayerEngine* engine, SleepClock* clock = nullptr, QObject* parent = nullptr);

    void start(int minutes);
    void cancel();
    bool isRunning() const { return m_endMs >= 0; }
    // Milliseconds left; -1 when not running.
    qint64 remainingMs() const;
    // "⏾ 28:41"; empty when not running.
    QString text() const;

Q_SIGNALS:
    // Started, cancelled, ended or a second went by.
    void changed();

private:
    void onBeat();
    void endFade(bool putBack);

    QPointer<PlayerEngine> m_engine;
    SleepClock* m_clock = nullptr;
    qint64 m_endMs = -1;
    int m_fadeFrom = -1; // the volume before the fade; -1 while not fading
    int m_fadeSet = -1;  // the volume the fade set last
    qint64 m_shownSecond = -1;
    bool m_stopping = false;
};

// Asks for a custom number of minutes; 0 when the listener cancels.
int askSleepMinutes(QWidget* parent);
// Adds "定时停止" to the menu: 15, 30, 45, 60, 90 minutes, a custom value, and "取消定时"
// while the timer runs. Each choice calls choose with the minutes (0: cancel).
QMenu* addSleepMenu(QMenu& menu, bool running, QWidget* dialogParent,
                    const std::function<void(int)>& choose);
// Fills a "定时停止" menu already made (a menu rebuilt each time it opens).
void fillSleepMenu(QMenu& sleep, bool running, QWidget* dialogParent,
                   const std::function<void(int)>& choose);
// The same for a timer at hand.
QMenu* addSleepMenu(QMenu& menu, SleepTimer& timer, QWidget* dialogParent);

} // namespace kelvane
