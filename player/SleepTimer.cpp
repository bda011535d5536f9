#include "player/SleepTimer.h"

#include "engine/PlayerEngine.h"

#include <QInputDialog>
#include <QMenu>

namespace kelvane {

namespace {
constexpr int kBeatMs = 250;
}

SteadySleepClock::SteadySleepClock(QObject* parent) : SleepClock(parent)
{
    m_clock.start();
    m_beat.setInterval(kBeatMs);
    connect(&m_beat, &QTimer::timeout, this, &SleepClock::beat);
}

void SteadySleepClock::setBeating(bool beating)
{
    if (beating && !m_beat.isActive())
        m_beat.start();
    else if (!beating)
        m_beat.stop();
}

SleepTimer::SleepTimer(PlayerEngine* engine, SleepClock* clock, QObject* parent)
    : QObject(parent), m_engine(engine),
      m_clock(clock != nullptr ? clock : new SteadySleepClock(this))
{
    connect(m_clock, &SleepClock::beat, this, &SleepTimer::onBeat);
    // A stop by hand ends the timer. Choosing another station closes the player and starts the
    // new one in the same step, so only a stop that is still a stop once control returns to the
    // loop counts.
    connect(engine, &PlayerEngine::stateChanged, this, [this](PlayerEngine::State state) {
        if (state != PlayerEngine::State::Stopped || !isRunning() || m_stopping)
            return;
        QTimer::singleShot(0, this, [this] {
            if (m_engine && m_engine->state() == PlayerEngine::State::Stopped && isRunning())
                cancel();
        });
    });
}

void SleepTimer::start(int minutes)
{
    if (minutes <= 0)
        return;
    endFade(true);
    m_endMs = m_clock->nowMs() + qint64(minutes) * 60'000;
    m_shownSecond = -1;
    m_clock->setBeating(true);
    Q_EMIT changed();
}

void SleepTimer::cancel()
{
    if (!isRunning())
        return;
    endFade(true);
    m_endMs = -1;
    m_clock->setBeating(false);
    Q_EMIT changed();
}

qint64 SleepTimer::remainingMs() const
{
    return isRunning() ? std::max<qint64>(0, m_endMs - m_clock->nowMs()) : -1;
}

QString SleepTimer::text() const
{
    if (!isRunning())
        return {};
    const qint64 s = (remainingMs() + 999) / 1000; // 00:00 only at the very end
    return QStringLiteral("⏾ %1:%2")
        .arg(s / 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

void SleepTimer::endFade(bool putBack)
{
    if (m_fadeFrom >= 0 && putBack && m_engine)
        m_engine->setVolume(m_fadeFrom);
    m_fadeFrom = -1;
    m_fadeSet = -1;
}

void SleepTimer::onBeat()
{
    if (!isRunning())
        return;
    const qint64 left = remainingMs();
    if (m_engine && left <= kFadeMs) {
        // A listener who moves the volume during the fade takes it from there.
        if (m_fadeFrom < 0 || m_engine->volume() != m_fadeSet)
            m_fadeFrom = m_engine->volume();
        const int v = int(m_fadeFrom * left / kFadeMs);
        if (v != m_engine->volume())
            m_engine->setVolume(v);
        m_fadeSet = m_engine->volume();
    }
    if (left == 0) {
        m_stopping = true;
        if (m_engine)
            m_engine->stop();
        m_stopping = false;
        m_endMs = -1;
        endFade(true);
        m_clock->setBeating(false);
        Q_EMIT changed();
        return;
    }
    const qint64 second = (left + 999) / 1000;
    if (second != m_shownSecond) {
        m_shownSecond = second;
        Q_EMIT changed();
    }
}

int askSleepMinutes(QWidget* parent)
{
    bool ok = false;
    const int minutes =
        QInputDialog::getInt(parent, QStringLiteral("定时停止"), QStringLiteral("分钟后停止播放："),
                             120, 1, 1440, 5, &ok);
    return ok ? minutes : 0;
}

QMenu* addSleepMenu(QMenu& menu, bool running, QWidget* dialogParent,
                    const std::function<void(int)>& choose)
{
    QMenu* sleep = menu.addMenu(QStringLiteral("定时停止"));
    fillSleepMenu(*sleep, running, dialogParent, choose);
    return sleep;
}

void fillSleepMenu(QMenu& menu, bool running, QWidget* dialogParent,
                   const std::function<void(int)>& choose)
{
    QMenu* sleep = &menu;
    for (int minutes : {15, 30, 45, 60, 90})
        QObject::connect(sleep->addAction(QStringLiteral("%1 分钟").arg(minutes)),
                         &QAction::triggered, sleep, [choose, minutes] { choose(minutes); });
    QPointer<QWidget> parent(dialogParent);
    QObject::connect(sleep->addAction(QStringLiteral("自定义…")), &QAction::triggered, sleep,
                     [choose, parent] {
                         if (const int minutes = askSleepMinutes(parent); minutes > 0)
                             choose(minutes);
                     });
    if (running)
        QObject::connect(sleep->addAction(QStringLiteral("取消定时")), &QAction::triggered, sleep,
                         [choose] { choose(0); });
}

QMenu* addSleepMenu(QMenu& menu, SleepTimer& timer, QWidget* dialogParent)
{
    QPointer<SleepTimer> t(&timer);
    return addSleepMenu(menu, timer.isRunning(), dialogParent, [t](int minutes) {
        if (!t)
            return;
        if (minutes > 0)
            t->start(minutes);
        else
            t->cancel();
    });
}

} // namespace kelvane
