#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

namespace kelvane {

namespace net {
class Fetch;
}

// Gets a playlist's bytes to import: a local file, or an http(s) address fetched with bounds (a
// body cap, a deadline for the whole fetch and a bound on silence). A download that is cut,
// endless, too slow or refused gives no bytes and says why, in Chinese.
class PlaylistDownload : public QObject
{
    Q_OBJECT
public:
    struct Bounds
    {
        qint64 maxBytes = 16 * 1024 * 1024;
        int connectMs = 15000;
        int silenceMs = 15000;
        int deadlineMs = 60000;
    };

    explicit PlaylistDownload(QObject* parent = nullptr);
    ~PlaylistDownload() override;

    static bool isAddress(const QString& source);
    // Starts; finished follows once, never from inside this call.
    void start(const QString& source, const Bounds& bounds);
    void start(const QString& source) { start(source, Bounds()); }

Q_SIGNALS:
    // The whole playlist, or (bytes empty) why there is none.
    void finished(const QByteArray& bytes, const QString& error);

private:
    void readFile(const QString& path, qint64 maxBytes);
    void fetched();
    void end(const QByteArray& bytes, const QString& error);

    QPointer<net::Fetch> m_fetch;
    QByteArray m_bytes;
    qint64 m_maxBytes = 0;
};

} // namespace kelvane
