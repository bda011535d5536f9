#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kelvane {

// One copy of a stream's packets, as they arrive, into a file through libavformat: no decoding,
// the streams' own codecs in the container the file's extension names. run() blocks (on a worker
// thread); requestStop() ends it at once from any thread through libavformat's interrupt
// callback, after which what was copied is closed properly.
class Remux
{
public:
    struct Result
    {
        bool ok = false;     // the file is complete (the source ended or a stop was asked)
        bool opened = false; // the file was started (its header is written)
        QString reason;      // why not, for the listener
        double seconds = 0;  // media time copied
    };

    // outputExtension picks the container ("ts", "mka", "mkv").
    Remux(QString url, QString path, QString outputExtension, QString title, QString date);

    // Called on the worker thread once the file's header is written.
    std::function<void()> onOpened;

    Result run();
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop; }
    long long bytesWritten() const { return m_bytes; }

private:
    static int interrupted(void* self);

    const QString m_url;
    const QString m_path;
    const QString m_extension;
    const QString m_title;
    const QString m_date;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_bytes{0};
};

} // namespace kelvane
