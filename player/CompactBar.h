#pragma once

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace kelvane {

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
        QString status;
        bool recording = false; // the menu offers to stop recording
    };
    void showFace(const Face& face);
    QString statusText() const;
    // The controls the keyboard reaches, in tab order: play/pause, stop, mute, volume.
    QList<QWidget*> tabStops() const;

Q_SIGNALS:
    void playPauseClicked();
    void stopClicked();
    void muteClicked();
    void volumeChanged(int volume);
    void recordClicked();
    void historyClicked();

protected:
    // Start or stop recording; the stations played last.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool m_recording = false;
    QToolButton* m_playPause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_mute = nullptr;
    QSlider* m_volume = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_visual = nullptr;
};

} // namespace kelvane
