#pragma once

#include "platform/Forms.h"
#include "platform/Timer.h"
#include "player/MediaPlayer.h"
#include "windows/Services.h"

#include <QTimer>

class QLabel;

namespace kelvane {

// The video window: picture B with its "connecting" notice, and the player without controls,
// hidden until the reveal timer fires 15 seconds after a station was chosen. The viewer controls
// it from the keyboard (Space, M, Up, Down, F, Esc) and by a double click (full screen).
class VideoWindow final : public Form
{
    Q_OBJECT
public:
    VideoWindow(FormRegistry& forms, const AppServices& services);

    MediaPlayer* wmpt = nullptr; // the video player, without controls
    QWidget* Gg1 = nullptr;      // the ad banner
    Timer Timer1;                // the reveal, set from the stored layout

    void Timer1_Timer();
    // Plays a station by its address (the history plays one again): as a list would, with the
    // picture revealed when the timer fires.
    void playStation(const QString& name, const QString& url);

    // What the picture area says over the video: why the station failed, or that it ended or is
    // reconnecting; empty while it plays or connects.
    QString noticeText() const;
    // The short note of the last key (volume, mute, pause); empty once it has faded.
    QString noteText() const;
    void toggleFullScreen();
    // The right-click menu: the sleep timer.
    void showMenu(const QPoint& globalPos);

protected:
    void Form_Unload() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void playerStateChanged(MediaPlayer::State state);
    void showNote(const QString& text);
    void layOut();

    QPixmap m_picture;
    QSize m_normalSize;
    QByteArray m_normalGeometry; // place, size and frame before full screen
    QRect m_playerRect;
    QLabel* m_notice = nullptr;
    QLabel* m_note = nullptr;
    QTimer m_noteTimer;
};

} // namespace kelvane
