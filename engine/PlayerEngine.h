#pragma once

#include "engine/ReconnectPolicy.h"
#include "engine/StreamRecorder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace kelvane {

namespace net {
class Fetch;
class NetworkEvents;
} // namespace net

class MpvSession;

struct EngineSettings
{
    bool video = false; // false: sound only
    bool autoStart = true;
    int volume = 50;
    bool stretchToFit = false;
    // Extra libmpv options, name=value (tests: ao=null, vo=null).
    QStringList extraOptions;
    RetryTiming retryTiming;
};

// Plays one station at a time, without any widget: the mpv session, the reconnects, .asx
// resolution, recording, the status words and the volume. The player control, the desktop's
// media controls and the windows all talk to it.
class PlayerEngine : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Stopped,
        Connecting,
        Playing,
        Paused,
        Reconnecting, // waiting for the next try (past the quick tries: waiting for the network)
        Failed        // a station that never played, or a file whose cut keeps coming back
    };
    Q_ENUM(State)

    explicit PlayerEngine(const EngineSettings& settings, QObject* parent = nullptr);
    ~PlayerEngine() override;

    // Stops at once and gets ready for a new address; nothing happens on an idle engine.
    void close();
    // Returns at once; with autoStart the engine opens and plays the address by itself.
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
    // While reconnecting: which try is awaited (1 to kMaxRetries, then beyond while waiting).
    int reconnectAttempt() const { return m_session.policy.retries(); }
    // The quick tries are spent: trying once a minute until the network is back.
    bool isWaiting() const { return m_state == State::Reconnecting && m_session.policy.waiting(); }
    // The status line: the listed station's name and the state, short, in Chinese.
    QString statusText() const { return statusLine(m_state); }
    // The status line as it reads in the given state (a face may show a state a moment longer).
    QString statusLine(State state) const;
    // The status line without the station's name ("无法播放：无法连接").
    QString stateText() const { return stateText(m_state); }
    int volume() const { return m_volume; }
    bool isMuted() const { return m_muted; }
    const EngineSettings& settings() const { return m_settings; }

    // Play resumes a pause, tries at once when connecting was paused or a try is awaited, and
    // starts the address again after a stop.
    void play();
    // Pauses playback; while connecting or waiting for a try it stops trying until play().
    void pause();
    // Stops, keeping the address and its name, so play starts it again.
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);
    // Tries at once when a try is awaited (the network is back, the machine woke); otherwise
    // nothing happens.
    void retryNow();
    // Tries again at once whenever the desktop says the network is back or the machine woke.
    void followNetwork(net::NetworkEvents* events);

    // Writes the station as it arrives to a new file in folder, "<station> <date time>.<format>",
    // until stopRecording() or the station's end (finished, failed, stopped, another station).
    // Returns the file's path, or empty with the reason in *why (nothing plays, no file made).
    QString startRecording(const QString& folder, QString* why = nullptr);
    void stopRecording();
    bool isRecording() const;
    QString recordingPath() const;

    // Ends playback and releases mpv for good (the owner is going).
    void shutdown();

    // The mpv session, for the video surface's render context only.
    MpvSession* session() const { return m_mpv; }
    // The video surface can draw now: the picture may be decoded.
    void enableVideo();

Q_SIGNALS:
    void stateChanged(kelvane::PlayerEngine::State state);
    void nowPlayingChanged(const QString& title);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    // The listed station's name changed (a new station, or close()).
    void stationNameChanged(const QString& name);
    void recordingChanged(bool recording);
    // A recording ended and its file is whole: how much it holds.
    void recordingSaved(const QString& path, double seconds);
    // The record file could not be written; playback goes on.
    void recordingFailed(const QString& path, const QString& why);
    // A station starts (anew): the first try begins now.
    void started();
    // The status line may read differently (a new try, the recording's time, a title).
    void statusChanged();

private:
    // Everything about the station now being played; a new address or a close starts a new
    // one, in one place (resetSession).
    struct Session
    {
        bool active = false;     // playing, connecting or waiting to reconnect
        bool held = false;       // paused while connecting or waiting: no try runs
        QString playUrl;         // after resolving an XML asx
        QSet<qint64> entries;    // mpv playlist entries of this session not yet ended
        bool fileLoaded = false; // the file now in mpv is loaded (not between tries)
        ReconnectPolicy policy;
        Failure failure;
        QString stationName;
    };

    void resetSession(bool active);
    void startSession(const QString& url);
    void startTry();
    void loadTry();
    void resolveAsx(const QString& url);
    void abortAsx();
    void fail(const Failure& failure);
    void onFileLoaded(qint64 entry);
    void onFileEnded(qint64 entry, const TryEnd& end, qint64 firstInserted, int insertedCount);
    void onIdle(bool idle);
    void apply(const Decision& decision);
    void setState(State state);
    void setTitle(const QString& title);
    void recordingEnded();
    QString stateText(State state) const;

    EngineSettings m_settings;
    MpvSession* m_mpv = nullptr;
    QString m_url; // as given
    State m_state = State::Stopped;
    QString m_title;
    int m_volume = 50;
    bool m_muted = false;
    Session m_session;
    QTimer m_retryTimer;
    QPointer<net::NetworkEvents> m_network;
    QString m_listedName;
    StreamRecorder* m_recorder = nullptr;
    QTimer m_recordTick; // the status line's recording time
    QString m_savedNote; // "录音已保存 mm:ss" for a moment after a recording ends
    QTimer m_savedNoteTimer;

    std::unique_ptr<net::Fetch> m_asx; // an XML asx being fetched
};

} // namespace kelvane
