#pragma once

#include "engine/PlayerEngine.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QMenu;

namespace kelvane {

class CompactBar;
class SleepClock;
class SleepTimer;
class VideoSurface;

// The design-time settings of a player; all other settings are the player's defaults.
struct MediaPlayerSettings
{
    QString uiMode = QStringLiteral("mini"); // "mini": compact bar; "none": video area only
    bool autoStart = true;
    int volume = 50;
    // The compact bar's menu (recording) is always there; this only says whether the design
    // asked for one, which the window's layout reads back.
    bool enableContextMenu = false;
    bool stretchToFit = false;
    // Extra libmpv options, name=value (tests: ao=null, vo=null).
    QStringList extraOptions;
    // The sleep timer's clock; none: the machine's steady clock.
    SleepClock* sleepClock = nullptr;
};

// The embedded media player the windows place: the design's control, with close(), URL and its
// visibility, showing the compact bar ("mini") or the video area ("none"). What plays, and how,
// is its engine's: the methods below forward to it, so a window can treat the control as the
// player; engine() is for those that follow playback without the control (media keys).
class MediaPlayer : public QWidget
{
    Q_OBJECT
public:
    using State = PlayerEngine::State;

    explicit MediaPlayer(const MediaPlayerSettings& settings, QWidget* parent = nullptr);
    ~MediaPlayer() override;

    PlayerEngine* engine() const { return m_engine; }

    // Stops at once and gets ready for a new address; nothing happens on an idle player.
    void close() { m_engine->close(); }
    // Returns at once; with autoStart the player opens and plays the address by itself.
    // An empty or unusable address plays nothing and reports nothing.
    void setURL(const QString& url) { m_engine->setURL(url); }
    QString URL() const { return m_engine->URL(); }
    // The station's name as listed, which the status line names; close() forgets it.
    void setStationName(const QString& name) { m_engine->setStationName(name); }
    QString stationName() const { return m_engine->stationName(); }

    State state() const { return m_engine->state(); }
    QString nowPlaying() const { return m_engine->nowPlaying(); }
    Failure failure() const { return m_engine->failure(); }
    int reconnectAttempt() const { return m_engine->reconnectAttempt(); }
    // The video area of a player without controls; null for the compact player.
    QWidget* videoArea() const;
    QString statusText() const { return m_engine->statusText(); }
    QString stateText() const { return m_engine->stateText(); }
    // The compact bar's keyboard-reachable controls in tab order; empty without a bar.
    QList<QWidget*> tabStops() const;
    int volume() const { return m_engine->volume(); }
    bool isMuted() const { return m_engine->isMuted(); }
    const MediaPlayerSettings& settings() const { return m_settings; }

    void play() { m_engine->play(); }
    void pause() { m_engine->pause(); }
    void stop() { m_engine->stop(); }
    void setVolume(int volume) { m_engine->setVolume(volume); }
    void setMuted(bool muted) { m_engine->setMuted(muted); }

    QString startRecording(const QString& folder, QString* why = nullptr)
    {
        return m_engine->startRecording(folder, why);
    }
    void stopRecording() { m_engine->stopRecording(); }
    bool isRecording() const { return m_engine->isRecording(); }
    QString recordingPath() const { return m_engine->recordingPath(); }

    // The sleep timer ("定时停止") of this player; the compact bar shows it and offers it.
    SleepTimer* sleepTimer() const { return m_sleep; }
    // The desktop toggles the compact bar's menu shows checked.
    void setKeepInView(bool on);
    void setSongNotices(bool on);
    // The compact bar's status line as shown (state first); empty without a bar.
    QString barText() const;

    // Ends playback and releases the player for good (the owning window is unloading).
    void shutdown();

Q_SIGNALS:
    // The engine's signals, passed on.
    void stateChanged(kelvane::PlayerEngine::State state);
    void nowPlayingChanged(const QString& title);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    void stationNameChanged(const QString& name);
    void recordingChanged(bool recording);
    void recordingFailed(const QString& path, const QString& why);
    void statusChanged();
    // The compact bar's menu asked to start or stop recording (the window decides where).
    void recordRequested();
    // The compact bar's menu asked for the stations played last.
    void historyRequested();
    // The compact bar's desktop entries; the window or the program decides.
    void keepInViewToggled(bool on);
    void songNoticesToggled(bool on);
    void openRecordingsRequested();
    // The compact bar's menu is about to open: add entries to it here.
    void menuAboutToShow(QMenu* menu);
    // A right click on the video area (the control without a bar): the window offers its menu.
    void videoMenuRequested(const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void updateBar();

    MediaPlayerSettings m_settings;
    PlayerEngine* m_engine = nullptr;
    // A failure right after a new try would replace "connecting" before it was ever drawn: the
    // bar keeps it up a moment, so every try is seen.
    QElapsedTimer m_tryClock;
    QTimer m_faceTimer;
    QElapsedTimer m_recordClock; // the recording's time in the status line
    SleepTimer* m_sleep = nullptr;

    CompactBar* m_bar = nullptr;     // "mini"
    VideoSurface* m_video = nullptr; // "none"
};

} // namespace kelvane
