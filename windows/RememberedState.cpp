#include "windows/RememberedState.h"

#include "listbox/StationListBox.h"
#include "player/MediaPlayer.h"

#include <QSettings>

#include <algorithm>

namespace kelvane {

namespace {

const QString kVolume = QStringLiteral("player/volume");
const QString kMuted = QStringLiteral("player/muted");
const QString kKeepInView = QStringLiteral("desktop/keepInView");
const QString kSongNotices = QStringLiteral("desktop/songNotices");
const QString kToldWhereDocked = QStringLiteral("desktop/toldWhereDocked");
QString stationKey(const QString& list)
{
    return QStringLiteral("stations/") + list;
}
QString stationUrlKey(const QString& list)
{
    return QStringLiteral("stationUrls/") + list;
}

} // namespace

RememberedState::RememberedState(const QString& filePath)
    : m_settings(filePath.isEmpty() ? std::make_unique<QSettings>(
                                          QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Kelvane"), QStringLiteral("Kelvane"))
                                    : std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    // A damaged file reads as empty: the defaults hold and the next write replaces it.
    m_firstStart = m_settings->allKeys().isEmpty();
}

bool RememberedState::keepInView() const
{
    return m_settings->value(kKeepInView).toString() == u"true";
}

bool RememberedState::songNotices() const
{
    return m_settings->value(kSongNotices).toString() == u"true";
}

void RememberedState::setKeepInView(bool on)
{
    m_settings->setValue(kKeepInView, on ? QStringLiteral("true") : QStringLiteral("false"));
}

void RememberedState::setSongNotices(bool on)
{
    m_settings->setValue(kSongNotices, on ? QStringLiteral("true") : QStringLiteral("false"));
}

void RememberedState::setToldWhereDocked()
{
    m_settings->setValue(kToldWhereDocked, QStringLiteral("true"));
}

RememberedState::~RememberedState() = default;

int RememberedState::volume(int fallback) const
{
    bool ok = false;
    const int v = m_settings->value(kVolume).toInt(&ok);
    return ok ? std::clamp(v, 0, 100) : fallback;
}

bool RememberedState::muted() const
{
    return m_settings->value(kMuted).toString() == u"true";
}

QString RememberedState::lastStation(const QString& list) const
{
    return m_settings->value(stationKey(list)).toString();
}

void RememberedState::setVolume(int volume)
{
    m_settings->setValue(kVolume, std::clamp(volume, 0, 100));
}

void RememberedState::setMuted(bool muted)
{
    m_settings->setValue(kMuted, muted ? QStringLiteral("true") : QStringLiteral("false"));
}

void RememberedState::setLastStation(const QString& list, const QString& name, const QString& url)
{
    m_settings->setValue(stationKey(list), name);
    if (url.isEmpty())
        m_settings->remove(stationUrlKey(list));
    else
        m_settings->setValue(stationUrlKey(list), url);
}

void RememberedState::keepVolumeOf(MediaPlayer& player)
{
    player.setVolume(volume(player.volume()));
    player.setMuted(muted());
    QObject::connect(&player, &MediaPlayer::volumeChanged, &player,
                     [this](int v) { setVolume(v); });
    QObject::connect(&player, &MediaPlayer::mutedChanged, &player, [this](bool m) { setMuted(m); });
}

void RememberedState::selectLastStation(const QString& list, StationListBox& box) const
{
    const QString name = lastStation(list);
    if (name.isEmpty())
        return;
    const int row =
        box.rowOf(box.findStation(name, m_settings->value(stationUrlKey(list)).toString()));
    if (row < 0)
        return;
    box.setCurrentRow(row);
    box.scrollToItem(box.item(row), QAbstractItemView::PositionAtCenter);
}

void RememberedState::sync()
{
    m_settings->sync();
}

} // namespace kelvane
