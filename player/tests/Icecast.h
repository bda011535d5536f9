#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kelvane::test {

// Debian's icecast2 on a free loopback port, with ffmpeg as the source client of one MP3 mount.
// icecast2 refuses to run as root: under root it runs as the package's own user.
class Icecast
{
public:
    Icecast();
    ~Icecast();

    // Starts the server; false (with the reason in error()) when it cannot run here.
    bool start();
    // Starts or stops the source of /live.mp3, as often as wanted; startSource() returns once
    // listeners can tune in, stopSource() once the mount is gone (listeners then get 404).
    bool startSource();
    void stopSource();
    // Sets the now-playing title through the admin interface.
    bool setTitle(const QString& title);

    QString mountUrl() const;
    QString error() const { return m_error; }

private:
    bool startOnce();
    QByteArray request(const QByteArray& head, bool wholeBody = false) const;

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_source;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace kelvane::test
