#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace kelvane {

class DesktopToggles;
class MediaPlayer;
class Notifications;

// Whether the listener can see the window now: a docked window only while it is slid out (or
// kept in view), any other window while it is shown and active.
bool isInView(const QWidget* window);

// One desktop notice per new song of the player the desktop follows ("歌曲通知"), each
// replacing the last. None while the toggle is off, while the player's window is in view, or
// for a title that only came back after a reconnect.
class SongNotices : public QObject
{
    Q_OBJECT
public:
    SongNotices(Notifications& notifications, DesktopToggles& toggles, QObject* parent = nullptr);

    // Follows that player's titles from now on (null: none).
    void follow(MediaPlayer* player);
    // A title of the followed station, its window, as the player reports it.
    void songChanged(const QString& station, const QString& title, const QWidget* window);

private:
    Notifications& m_notifications;
    DesktopToggles& m_toggles;
    QPointer<MediaPlayer> m_player;
    QMetaObject::Connection m_titles;
    QMetaObject::Connection m_stations;
    QString m_station; // the station and song told last (or skipped while in view)
    QString m_title;
};

} // namespace kelvane
