#include "stations/BackgroundSaver.h"

#include "stations/SafeFile.h"

#include <QDir>
#include <QFileInfo>

namespace kelvane {

BackgroundSaver::BackgroundSaver(QObject* parent) : QObject(parent), m_thread([this] { run(); }) {}

BackgroundSaver::~BackgroundSaver()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void BackgroundSaver::save(const QString& path, std::function<QByteArray()> bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.insert(path, std::move(bytes));
    }
    m_wake.notify_one();
}

void BackgroundSaver::flush()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.isEmpty() && !m_busy; });
}

void BackgroundSaver::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_pending.isEmpty(); });
        if (m_pending.isEmpty()) // stopping, nothing left
            return;
        QHash<QString, std::function<QByteArray()>> work;
        work.swap(m_pending);
        m_busy = true;
        lock.unlock();
        for (auto it = work.cbegin(); it != work.cend(); ++it) {
            QString error;
            QDir().mkpath(QFileInfo(it.key()).absolutePath());
            if (saveAtomically(it.key(), it.value()(), &error))
                Q_EMIT saved(it.key());
            else
                Q_EMIT failed(it.key(), error);
        }
        lock.lock();
        m_busy = false;
        if (m_pending.isEmpty())
            m_idle.notify_all();
    }
}

} // namespace kelvane
