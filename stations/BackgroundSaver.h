#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kelvane {

// Saves files atomically on a thread of its own, so the caller never waits on the disk. Saves of
// one path are coalesced: while one is written, only the newest of those that follow is kept.
// The bytes are produced on the worker too (from data the caller captured by value).
class BackgroundSaver : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundSaver(QObject* parent = nullptr);
    ~BackgroundSaver() override; // writes what is pending first

    void save(const QString& path, std::function<QByteArray()> bytes);
    // Waits until every save asked for so far is done.
    void flush();

Q_SIGNALS:
    // From the worker; connected receivers in other threads get them queued.
    void saved(const QString& path);
    void failed(const QString& path, const QString& error);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    QHash<QString, std::function<QByteArray()>> m_pending;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace kelvane
