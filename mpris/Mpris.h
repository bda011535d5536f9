#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>

namespace kelvane {

class PlayerEngine;

// What the desktop's media controls ask of the program beyond the player itself.
class MprisHost
{
public:
    virtual ~MprisHost() = default;
    // Brings the window of the station that played last into view.
    virtual void raise() = 0;
    virtual void quit() = 0;
    // Plays the next (+1) or previous (-1) station of the list that played last.
    virtual void step(int delta) = 0;
};

// The program on the session bus as an MPRIS 2 media player, so media keys and the desktop's
// media controls reach it. It follows one player at a time: the one that played last. Without a
// player it still reports the volume the next one will play at.
class MprisService : public QObject
{
    Q_OBJECT
public:
    static inline const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

    MprisService(MprisHost& host, const QString& desktopEntry, QObject* parent = nullptr);
    ~MprisService() override;

    // Registers on the session bus; false (and nothing else happens) without one.
    bool registerOnSessionBus();
    QString serviceName() const { return m_serviceName; }

    void follow(PlayerEngine* player);
    PlayerEngine* player() const;
    // The volume (0 to 100) to report while no player is followed, such as the one remembered
    // from the last run; a followed player's volume replaces it when the player goes.
    void setIdleVolume(int volume);
    MprisHost& host() const { return m_host; }
    QString desktopEntry() const { return m_desktopEntry; }

    // The player interface's values, as the bus reads them.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);

private:
    void announce(const QStringList& names);

    MprisHost& m_host;
    QString m_desktopEntry;
    QString m_serviceName;
    QPointer<PlayerEngine> m_player;
    int m_idleVolume = 50; // a new player's volume
    QList<QMetaObject::Connection> m_connections;
    quint64 m_track = 0; // a new track id for every station
};

} // namespace kelvane
