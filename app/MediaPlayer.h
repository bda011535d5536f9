#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

struct mpv_handle;
struct mpv_event;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QSlider;
class QToolButton;

namespace kelvane {

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

// The embedded media player, over libmpv. Callers use three operations: close(), setURL() and
// the widget's visibility. It plays by itself once given an address, shows its state and the
// stream's now-playing title, and reconnects a live stream that drops.
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

    State state() const { return m_state; }
    QString nowPlaying() const { return m_title; }
    // The video area of a player without controls; null for the compact player.
    QWidget* videoArea() const;
    QString statusText() const;
    int volume() const { return m_volume; }
    bool isMuted() const { return m_muted; }
    const MediaPlayerSettings& settings() const { return m_settings; }

    // The compact bar's commands.
    void play();
    void pause();
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);

    // Ends playback and releases the player for good (the owning window is unloading).
    void shutdown();

    // Reconnect back-off, from the first retry to the ceiling.
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kMaxRetryMs = 30000;
    static constexpr int kMaxRetries = 10;
    // Playing this long counts as a good connection, so a later drop starts the back-off anew.
    static constexpr int kStablePlayMs = 20000;

Q_SIGNALS:
    void stateChanged(kelvane::MediaPlayer::State state);
    void nowPlayingChanged(const QString& title);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createMpv();
    void buildMiniBar();
    void buildVideoArea();
    void startSession(const QString& url);
    void loadIntoMpv(const QString& url);
    void resolveAsx(const QString& url);
    void onMpvWakeup();
    void handleEvent(const mpv_event& event);
    void sessionEnded();
    bool endedAsADrop() const;
    void scheduleReconnect();
    void setState(State state);
    void setTitle(const QString& title);
    void updateBar();
    void command(const QList<QByteArray>& args);

    MediaPlayerSettings m_settings;
    mpv_handle* m_mpv = nullptr;
    QString m_url;     // as given
    QString m_playUrl; // after resolving an XML asx
    State m_state = State::Stopped;
    QString m_title;
    QString m_stationName;
    int m_volume = 50;
    bool m_muted = false;

    // One session per address given; events of older sessions are ignored by entry id.
    quint64 m_session = 0;
    QSet<qint64> m_entries; // playlist entries of this session not yet ended
    bool m_sessionActive = false;
    bool m_loaded = false;     // something of this session reached playback
    bool m_fileLoaded = false; // the file now in mpv is loaded (not between reconnects)
    double m_duration = 0;     // seconds, 0 when the loaded stream has no known length
    int m_retries = 0;
    QElapsedTimer m_playingSince;
    QTimer m_retryTimer;

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_asxReply;

    // The compact bar ("mini").
    QWidget* m_bar = nullptr;
    QToolButton* m_playPause = nullptr;
    QToolButton* m_stopButton = nullptr;
    QToolButton* m_muteButton = nullptr;
    QSlider* m_volumeSlider = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_visual = nullptr;

    // The video area ("none").
    VideoSurface* m_video = nullptr;
};

// The first <ref href> of an XML asx playlist (tag and attribute names in any case), or empty.
QString FirstAsxReference(const QByteArray& xml);
// True when the address names an asx playlist by its extension.
bool LooksLikeAsx(const QString& url);
// Text of a stream title: UTF-8 when the bytes are valid UTF-8, else GBK.
QString DecodeStreamTitle(const QByteArray& bytes);

} // namespace kelvane
