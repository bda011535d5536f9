#include "mpris/Mpris.h"

#include "engine/PlayerEngine.h"
#include "mpris/MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kBaseName = QStringLiteral("org.mpris.MediaPlayer2.kelvane");

} // namespace

MprisService::MprisService(MprisHost& host, const QString& desktopEntry, QObject* parent)
    : QObject(parent), m_host(host), m_desktopEntry(desktopEntry)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisService::~MprisService()
{
    if (!m_serviceName.isEmpty()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(kObjectPath);
        bus.unregisterService(m_serviceName);
    }
}

bool MprisService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    // A second running copy takes a name of its own, as the MPRIS rules have it.
    const QStringList names{
        kBaseName,
        kBaseName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())};
    for (const QString& name : names) {
        if (bus.registerService(name)) {
            m_serviceName = name;
            return true;
        }
    }
    bus.unregisterObject(kObjectPath);
    return false;
}

PlayerEngine* MprisService::player() const
{
    return m_player;
}

void MprisService::setIdleVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    if (volume == m_idleVolume)
        return;
    m_idleVolume = volume;
    if (m_player == nullptr)
        announce({QStringLiteral("Volume")});
}

void MprisService::follow(PlayerEngine* player)
{
    if (player == m_player)
        return;
    if (player != nullptr)
        m_idleVolume = player->volume();
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_player = player;
    ++m_track;
    if (player != nullptr) {
        const auto status = [this] { announce({QStringLiteral("PlaybackStatus")}); };
        const auto track = [this] { announce({QStringLiteral("Metadata")}); };
        m_connections = {
            connect(player, &PlayerEngine::stateChanged, this, status),
            connect(player, &PlayerEngine::nowPlayingChanged, this, track),
            connect(player, &PlayerEngine::stationNameChanged, this,
                    [this] {
                        ++m_track;
                        announce({QStringLiteral("Metadata")});
                    }),
            connect(player, &PlayerEngine::volumeChanged, this,
                    [this](int volume) {
                        m_idleVolume = volume; // what stays when the player goes
                        announce({QStringLiteral("Volume")});
                    }),
        };
    }
    announce(
        {QStringLiteral("PlaybackStatus"), QStringLiteral("Metadata"), QStringLiteral("Volume")});
}

QString MprisService::playbackStatus() const
{
    if (m_player == nullptr)
        return QStringLiteral("Stopped");
    switch (m_player->state()) {
    case PlayerEngine::State::Playing:
    case PlayerEngine::State::Connecting:
    case PlayerEngine::State::Reconnecting:
        return QStringLiteral("Playing");
    case PlayerEngine::State::Paused:
        return QStringLiteral("Paused");
    case PlayerEngine::State::Stopped:
    case PlayerEngine::State::Failed:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(
                   QStringLiteral("/example/kelvane/Kelvane/track/%1").arg(m_track))));
    if (m_player == nullptr)
        return map;
    const QString station = m_player->stationName();
    const QString title = m_player->nowPlaying();
    map.insert(QStringLiteral("xesam:title"), title.isEmpty() ? station : title);
    // Media controls show the album under the title: for a radio that is the station.
    map.insert(QStringLiteral("xesam:album"), station);
    if (!m_player->URL().isEmpty())
        map.insert(QStringLiteral("xesam:url"), m_player->URL());
    return map;
}

double MprisService::volume() const
{
    return (m_player != nullptr ? m_player->volume() : m_idleVolume) / 100.0;
}

void MprisService::setVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    const int percent = static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100));
    if (m_player != nullptr)
        m_player->setVolume(percent);
    else
        setIdleVolume(percent);
}

void MprisService::announce(const QStringList& names)
{
    if (m_serviceName.isEmpty())
        return;
    QVariantMap changed;
    for (const QString& name : names) {
        if (name == u"PlaybackStatus")
            changed.insert(name, playbackStatus());
        else if (name == u"Metadata")
            changed.insert(name, metadata());
        else if (name == u"Volume")
            changed.insert(name, volume());
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// --- The two interfaces ---

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service)
{}

QString MprisRootAdaptor::desktopEntry() const
{
    return m_service->desktopEntry();
}

void MprisRootAdaptor::Raise()
{
    m_service->host().raise();
}

void MprisRootAdaptor::Quit()
{
    m_service->host().quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service)
{}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_service->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_service->metadata();
}

double MprisPlayerAdaptor::volume() const
{
    return m_service->volume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    m_service->setVolume(volume);
}

void MprisPlayerAdaptor::Next()
{
    m_service->host().step(1);
}

void MprisPlayerAdaptor::Previous()
{
    m_service->host().step(-1);
}

void MprisPlayerAdaptor::Pause()
{
    if (PlayerEngine* p = m_service->player())
        p->pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    // Connecting and reconnecting read as Playing, and pause them too.
    PlayerEngine* p = m_service->player();
    if (p != nullptr && m_service->playbackStatus() == u"Playing")
        p->pause();
    else
        Play();
}

void MprisPlayerAdaptor::Stop()
{
    if (PlayerEngine* p = m_service->player())
        p->stop();
}

void MprisPlayerAdaptor::Play()
{
    PlayerEngine* p = m_service->player();
    if (p != nullptr && !p->URL().isEmpty())
        p->play();
    else
        m_service->host().step(0); // nothing played yet: the selected station
}

void MprisPlayerAdaptor::Seek(qlonglong)
{
    // Live streams cannot seek (CanSeek is false).
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath&, qlonglong) {}

void MprisPlayerAdaptor::OpenUri(const QString&)
{
    // Stations come from the lists only.
}

} // namespace kelvane
