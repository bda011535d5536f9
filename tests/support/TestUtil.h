#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace kelvane::test {

// Runs the event loop until the condition holds or the time is up. Sleeps in the event loop
// between checks (events wake it), so it never spins. Returns the condition's final value.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, 10)),
                           &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for a while (for "nothing more happens" checks).
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets deferred deletes and queued calls run.
inline void flushEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace kelvane::test
