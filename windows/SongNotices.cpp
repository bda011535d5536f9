#include "windows/SongNotices.h"

#include "chrome/QuandleXPTaskBar.h"
#include "platform/Notifications.h"
#include "player/MediaPlayer.h"
#include "windows/DesktopToggles.h"

namespace kelvane {

bool isInView(const QWidget* window)
{
    if (window == nullptr || !window->isVisible() || window->isMinimized())
        return false;
    if (const auto* bar = window->findChild<QuandleXPTaskBar*>())
        return bar->isInView();
    return window->isActiveWindow();
}

SongNotices::SongNotices(Notifications& notifications, DesktopToggles& toggles, QObject* parent)
    : QObject(parent), m_notifications(notifications), m_toggles(toggles)
{}

void SongNotices::follow(MediaPlayer* player)
{
    if (player == m_player)
        return;
    disconnect(m_titles);
    disconnect(m_stations);
    m_player = player;
    m_station.clear();
    m_title.clear();
    if (player == nullptr)
        return;
    m_titles = connect(player, &MediaPlayer::nowPlayingChanged, this, [this](const QString& t) {
        if (m_player)
            songChanged(m_player->stationName(), t, m_player->window());
    });
    // A new station: its first song is news even when the title is the same.
    m_stations = connect(player, &MediaPlayer::stationNameChanged, this, [this] {
        m_station.clear();
        m_title.clear();
    });
}

void SongNotices::songChanged(const QString& station, const QString& title, const QWidget* window)
{
    // A reconnect empties the title and brings the same one back: that is no new song.
    if (title.isEmpty() || (station == m_station && title == m_title))
        return;
    m_station = station;
    m_title = title;
    if (!m_toggles.songNotices() || isInView(window))
        return;
    m_notifications.notify(title, station, true);
}

} // namespace kelvane
