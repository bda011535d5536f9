#pragma once

#include "player/ReconnectPolicy.h"

#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace kelvane {

namespace net {
class Fetch;
}

class CompactBar;
class MpvSession;
class VideoSurface;

// The design-time settings of a player; all other settings are the player's defaults.
struct MediaPlayerSettings
{
    QString uiMode = QStringLiteral("mini"); // "mini": compact bar; "none": video area only
    bool autoStart = true;
    int volume = 50;
    bool enableContextMenu = false;
    bool enableErrorDialogs = false;
    bool stretchToFit = false;
    // Extra libmpv options, name=value (tests: ao=null, vo=null).
    QStringList extraOptions;
};

// The embedded media player. Callers use three operations: close(), setURL() and the widget's
// visibility. It plays by itself once given an address, shows its state and the stream's
// now-playing title, and reconnects a live stream that drops.
class MediaPlayer : public QWidget
{
    Q_OBJECT
public:
    enum class State
    {
        Stopped,
        Connecting,
        Playing,
        Paused,
        Reconnecting,
        Failed
    };
    Q_ENUM(State)

    explicit MediaPlayer(const MediaPlayerSettings& settings, QWidget* parent = nullptr);
    ~MediaPlayer() override;

    // Stops at once and gets ready for a new address; nothing happens on an idle player.
    void close();
    // Returns at once; with autoStart the player opens and plays the address by itself.
    // An empty or unusable address plays nothing and reports nothing.
    void setURL(const QString& url);
    QString URL() const { return m_url; }
    // The station's name as listed, which the status line names; close() forgets it.
    void setStationName(const QString& name);
    QString stationName() const { return m_listedName; }

    State state() const { return m_state; }
    QString nowPlaying() const { return m_title; }
    // Why the last station failed (with State::Failed).
    Failure failure() const { return m_session.failure; }
    // While reconnecting: which try of ReconnectPolicy::kMaxRetries is awaited.
    int reconnectAttempt() const { return m_session.policy.retries(); }
    // The video area of a player without controls; null for the compact player.
    QWidget* videoArea() const;
    // The status line: the listed station's name and the state, short, in Chinese.
    QString statusText() const;
    // The status line without the station's name ("无法播放：无法连接").
    QString stateText() const { return stateText(m_state); }
    // The compact bar's keyboard-reachable controls in tab order; empty without a bar.
    QList<QWidget*> tabStops() const;
    int volume() const { return m_volume; }
    bool isMuted() const { return m_muted; }
    const MediaPlayerSettings& settings() const { return m_settings; }

    // The compact bar's commands.
    void play();
    void pause();
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);

    // Writes the stream as received to that file, until stopRecording(), another station, a
    // stop or a reconnect; false when no stream is loaded. The file's extension should be
    // recordingExtension()'s.
    bool startRecording(const QString& path);
    void stopRecording();
    bool isRecording() const { return !m_recordPath.isEmpty(); }
    QString recordingPath() const { return m_recordPath; }
    // The file extension of the loaded stream's own format ("mp3", "aac", "ogg", "ts", ...).
    QString recordingExtension() const;

    // Ends playback and releases the player for good (the owning window is unloading).
    void shutdown();

Q_SIGNALS:
    void stateChanged(kelvane::MediaPlayer::State state);
    void nowPlayingChanged(const QString& title);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    // The listed station's name changed (a new station, or close()).
    void stationNameChanged(const QString& name);
    void recordingChanged(bool recording);
    // The record file could not be written; playback goes on.
    void recordingFailed(const QString& path, const QString& why);
    // The compact bar's menu asked to start or stop recording (the window decides where).
    void recordRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Everything about the station now being played; a new address or a close starts a new
    // one, in one place (resetSession).
    struct Session
    {
        quint64 id = 0;          // events of older sessions are ignored
        bool active = false;     // playing, connecting or waiting to reconnect
        QString playUrl;         // after resolving an XML asx
        QSet<qint64> entries;    // mpv playlist entries of this session not yet ended
        bool fileLoaded = false; // the file now in mpv is loaded (not between tries)
        ReconnectPolicy policy;
        Failure failure;
        QString stationName;
    };

    void resetSession(bool active);
    void startSession(const QString& url);
    void loadTry();
    void resolveAsx(const QString& url);
    void abortAsx();
    void onFileLoaded(qint64 entry);
    void onFileEnded(qint64 entry, const TryEnd& end, qint64 firstInserted, int insertedCount);
    void onIdle(bool idle);
    void apply(const Decision& decision);
    void setState(State state);
    void setTitle(const QString& title);
    void updateBar();
    QString stateText(State state) const;
    QString statusLine(const QString& state) const;

    MediaPlayerSettings m_settings;
    MpvSession* m_mpv = nullptr;
    QString m_url; // as given
    State m_state = State::Stopped;
    QString m_title;
    int m_volume = 50;
    bool m_muted = false;
    Session m_session;
    QTimer m_retryTimer;
    QString m_listedName;
    // A failure right after a new try would replace "connecting" before it was ever drawn: the
    // bar keeps it up a moment, so every try is seen.
    QElapsedTimer m_tryClock;
    QTimer m_faceTimer;
    QString m_recordPath;
    QString m_lastRecordPath; // the file mpv may still be writing out
    QElapsedTimer m_recordClock;
    QTimer m_recordTick; // the status line's recording time

    std::unique_ptr<net::Fetch> m_asx; // an XML asx being fetched

    CompactBar* m_bar = nullptr;     // "mini"
    VideoSurface* m_video = nullptr; // "none"
};

} // namespace kelvane
