#pragma once

#include <QWidget>

class QMenu;
class QSlider;
class QToolButton;

namespace kelvane {

class StatusLine;

// The compact player's face ("mini"): a bar of play/pause, stop, mute, volume and a status line
// at the top, a quiet visualisation area below. It only shows what it is told and reports
// clicks; the player decides.
class CompactBar : public QWidget
{
    Q_OBJECT
public:
    explicit CompactBar(int volume, QWidget* parent = nullptr);

    struct Face
    {
        bool running = false; // the play/pause button offers pause
        bool playing = false; // the visualisation is lit
        bool muted = false;
        int volume = 50;
        // The status line: the state's parts first, never cut ("无法播放：…", "● 录音 02:15",
        // "静音", "⏾ 28:41"), then the station and its title, which scroll when too long.
        QStringList state;
        QString subject;
        bool recording = false; // the menu offers to stop recording
        bool sleeping = false;  // the sleep timer runs: the menu offers to cancel it
    };
    void showFace(const Face& face);
    // The whole status line, as its tooltip shows it.
    QString statusText() const;
    // The desktop toggles the menu shows checked.
    void setKeepInView(bool on);
    void setSongNotices(bool on);
    // The controls the keyboard reaches, in tab order: play/pause, stop, mute, volume.
    QList<QWidget*> tabStops() const;

Q_SIGNALS:
    void playPauseClicked();
    void stopClicked();
    void muteClicked();
    void volumeChanged(int volume);
    void recordClicked();
    void historyClicked();
    // The sleep timer: minutes to go (a custom value already asked for), or 0 to cancel it.
    void sleepRequested(int minutes);
    void keepInViewToggled(bool on);
    void songNoticesToggled(bool on);
    void openRecordingsRequested();
    // The menu is built and about to open: others may add their entries.
    void menuAboutToShow(QMenu* menu);

protected:
    // Recording and the stations played last, then the desktop's entries (sleep timer, keep in
    // view, song notices, the recordings folder), then whatever others add.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void addDesktopEntries(QMenu& menu);

    bool m_recording = false;
    bool m_sleeping = false;
    bool m_keepInView = false;
    bool m_songNotices = false;
    QToolButton* m_playPause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_mute = nullptr;
    QSlider* m_volume = nullptr;
    StatusLine* m_status = nullptr;
    QWidget* m_visual = nullptr;
};

} // namespace kelvane
