#include "player/MediaPlayer.h"

#include "player/CompactBar.h"
#include "player/MpvSession.h"
#include "player/StreamText.h"
#include "player/VideoSurface.h"

#include "net/Fetch.h"

#include <QContextMenuEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvane {

namespace {

constexpr int kAsxTimeoutMs = 10000;
constexpr qint64 kAsxMaxBytes = 64 * 1024;
constexpr qint64 kConnectingShownMs = 600;

QList<MpvSession::Option> mpvOptions(const MediaPlayerSettings& settings, int volume)
{
    QList<MpvSession::Option> o = {
        {"config", "no"},
        {"terminal", "no"},
        {"ytdl", "no"},
        // No built-in scripts: each is a Lua state and a thread that a compact player never uses.
        {"load-scripts", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osc", "no"},
        {"idle", "yes"},
        {"force-window", "no"},
        // The sound servers and drivers of Linux desktops, in mpv's order; probing every other
        // output mpv knows (SDL, OSS, ...) only maps libraries where none of these works.
        {"ao", "pipewire,pulse,alsa,jack"},
        {"audio-fallback-to-null", "yes"}, // no sound device must not stop playback
        {"network-timeout", "10"},         // a dead station fails within seconds
        {"user-agent", "Kelvane/1.0"},
        {"volume", QByteArray::number(volume)},
        {"volume-max", "100"},
        // A bounded cache keeps memory flat on a station that plays for hours.
        {"cache", "yes"},
        {"demuxer-max-bytes", "2MiB"},
        {"demuxer-max-back-bytes", "512KiB"}, // mpv keeps stream titles with the packets it holds
        {"cache-secs", "20"},
        {"keep-open", "no"},
        {"stream-lavf-o", "reconnect=0"}, // reconnecting is ours, with its back-off
    };
    if (settings.uiMode == u"mini") {
        o += {{"vid", "no"}, {"vo", "null"}, {"audio-display", "no"}};
    } else {
        // Sound first: the picture can only be drawn once the video area has been shown, and a
        // video output without its render context would fail the whole file.
        o += {{"vo", "libmpv"}, {"vid", "no"}, {"hwdec", "no"}};
    }
    if (!settings.stretchToFit)
        o.append(MpvSession::Option("keepaspect", "yes"));
    for (const QString& extra : settings.extraOptions) {
        const qsizetype eq = extra.indexOf(u'=');
        if (eq > 0)
            o.append(MpvSession::Option(extra.left(eq).toUtf8(), extra.mid(eq + 1).toUtf8()));
    }
    return o;
}

QString failureText(const Failure& f)
{
    switch (f.reason) {
    case FailReason::Unreachable:
        return QStringLiteral("无法连接");
    case FailReason::HostNotFound:
        return QStringLiteral("找不到服务器");
    case FailReason::NotFound:
        return QStringLiteral("未找到 (HTTP %1)").arg(f.httpStatus);
    case FailReason::HttpError:
        return QStringLiteral("服务器错误 (HTTP %1)").arg(f.httpStatus);
    case FailReason::Unsupported:
        return QStringLiteral("格式不支持");
    case FailReason::TimedOut:
        return QStringLiteral("连接超时");
    case FailReason::Ended:
        return QStringLiteral("连接反复中断");
    case FailReason::None:
    case FailReason::Unknown:
        break;
    }
    return {};
}

} // namespace

MediaPlayer::MediaPlayer(const MediaPlayerSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_volume(std::clamp(settings.volume, 0, 100))
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &MediaPlayer::loadTry);
    m_faceTimer.setSingleShot(true);
    connect(&m_faceTimer, &QTimer::timeout, this, &MediaPlayer::updateBar);
    m_recordTick.setInterval(1000);
    connect(&m_recordTick, &QTimer::timeout, this, &MediaPlayer::updateBar);
    setContextMenuPolicy(settings.enableContextMenu ? Qt::DefaultContextMenu : Qt::NoContextMenu);

    m_mpv = new MpvSession(mpvOptions(settings, m_volume), this);
    connect(m_mpv, &MpvSession::fileLoaded, this, &MediaPlayer::onFileLoaded);
    connect(m_mpv, &MpvSession::fileEnded, this, &MediaPlayer::onFileEnded);
    connect(m_mpv, &MpvSession::recordFailed, this, [this](const QString& why) {
        // mpv writes the file out at the end too: a failure may come after the stop.
        const QString path = isRecording() ? m_recordPath : m_lastRecordPath;
        if (path.isEmpty())
            return;
        stopRecording();
        m_lastRecordPath.clear();
        Q_EMIT recordingFailed(path, why);
    });
    connect(m_mpv, &MpvSession::idleChanged, this, &MediaPlayer::onIdle);
    connect(m_mpv, &MpvSession::positionChanged, this, [this](double seconds) {
        if (m_session.active && m_session.fileLoaded)
            m_session.policy.positionReached(seconds);
    });
    connect(m_mpv, &MpvSession::icyTitleChanged, this,
            [this](const QByteArray& raw) { setTitle(decodeStreamTitle(raw).trimmed()); });
    connect(m_mpv, &MpvSession::icyNameChanged, this, [this](const QByteArray& raw) {
        m_session.stationName = decodeStreamTitle(raw).trimmed();
        updateBar();
    });
    connect(m_mpv, &MpvSession::pausedChanged, this, [this](bool paused) {
        if (m_session.active && m_session.fileLoaded)
            setState(paused ? State::Paused : State::Playing);
    });
    connect(m_mpv, &MpvSession::bufferingChanged, this, [this](bool buffering) {
        if (m_session.active && m_session.fileLoaded && m_state != State::Paused)
            setState(buffering ? State::Connecting : State::Playing);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (m_settings.uiMode == u"mini") {
        m_bar = new CompactBar(m_volume, this);
        layout->addWidget(m_bar);
        connect(m_bar, &CompactBar::playPauseClicked, this, [this] {
            if (m_state == State::Playing || m_state == State::Connecting)
                pause();
            else
                play();
        });
        connect(m_bar, &CompactBar::stopClicked, this, &MediaPlayer::stop);
        connect(m_bar, &CompactBar::recordClicked, this, &MediaPlayer::recordRequested);
        connect(m_bar, &CompactBar::muteClicked, this, [this] { setMuted(!m_muted); });
        connect(m_bar, &CompactBar::volumeChanged, this, &MediaPlayer::setVolume);
        updateBar();
    } else {
        m_video = new VideoSurface(m_mpv, this);
        layout->addWidget(m_video);
        connect(m_video, &VideoSurface::ready, m_mpv, [this] { m_mpv->setVideoEnabled(true); });
    }
}

MediaPlayer::~MediaPlayer()
{
    shutdown();
}

void MediaPlayer::resetSession(bool active)
{
    stopRecording();
    m_retryTimer.stop();
    abortAsx();
    const quint64 next = m_session.id + 1;
    m_session = Session{};
    m_session.id = next;
    m_session.active = active;
    setTitle({});
}

void MediaPlayer::shutdown()
{
    // The session ends first: nothing may load into a core that is about to go.
    resetSession(false);
    m_mpv->terminate(); // the video surface lets go of its render context first
    setState(State::Stopped);
}

void MediaPlayer::close()
{
    const bool wasIdle = !m_session.active && m_state == State::Stopped;
    resetSession(false);
    setStationName(QString());
    if (wasIdle)
        return;
    m_mpv->stop();
    setState(State::Stopped);
}

void MediaPlayer::setURL(const QString& url)
{
    m_url = url;
    if (m_settings.autoStart)
        startSession(url);
}

void MediaPlayer::startSession(const QString& url)
{
    const QString trimmed = url.trimmed();
    const bool playable = !trimmed.isEmpty() && m_mpv->isValid();
    const bool wasActive = m_session.active;
    resetSession(playable);
    if (!playable) {
        if (wasActive)
            m_mpv->stop(); // what played before must not go on unseen
        setState(State::Stopped);
        return;
    }
    m_tryClock.start();
    setState(State::Connecting);
    updateBar(); // a new try after a failure shows "connecting" even from Connecting
    if (looksLikeAsx(trimmed) && QUrl(trimmed).scheme().startsWith(u"http")) {
        resolveAsx(trimmed);
        return;
    }
    m_session.playUrl = trimmed;
    loadTry();
}

void MediaPlayer::loadTry()
{
    if (!m_session.active)
        return;
    m_session.entries.clear();
    m_session.fileLoaded = false;
    const qint64 entry = m_mpv->load(m_session.playUrl);
    if (entry < 0) {
        apply(m_session.policy.ended({TryEnd::Reason::Error, {FailReason::Unsupported, 0}}));
        return;
    }
    m_session.entries.insert(entry);
}

void MediaPlayer::abortAsx()
{
    // Its end must not reach a session that no longer wants it.
    if (m_asx)
        m_asx->abort();
    m_asx.reset();
}

void MediaPlayer::resolveAsx(const QString& url)
{
    m_asx = std::make_unique<net::Fetch>();
    net::Limits limits;
    limits.maxBytes = kAsxMaxBytes; // a stream behind an .asx name is not downloaded
    limits.connectTimeoutMs = kAsxTimeoutMs;
    limits.silenceMs = kAsxTimeoutMs;
    limits.deadlineMs = kAsxTimeoutMs;
    connect(m_asx.get(), &net::Fetch::finished, this, [this, url] {
        const bool ok = m_asx->error() == net::Fetch::Error::None && m_asx->status() >= 200 &&
                        m_asx->status() < 300;
        const QString ref = ok ? firstAsxReference(m_asx->readAll()) : QString();
        m_asx.release()->deleteLater(); // we are inside its signal
        // A playlist that cannot be read is played as it is: mpv may know better.
        m_session.playUrl = ref.isEmpty() ? url : QUrl(url).resolved(QUrl(ref)).toString();
        loadTry();
    });
    m_asx->start(QUrl(url), limits);
}

void MediaPlayer::onFileLoaded(qint64 entry)
{
    if (!m_session.active || !m_session.entries.contains(entry))
        return;
    m_session.fileLoaded = true;
    m_session.policy.loaded();
    setState(State::Playing);
}

void MediaPlayer::onFileEnded(qint64 entry, const TryEnd& end, qint64 firstInserted,
                              int insertedCount)
{
    if (!m_session.active || !m_session.entries.remove(entry))
        return;
    m_session.fileLoaded = false;
    if (end.reason == TryEnd::Reason::Redirect) {
        for (int i = 0; i < insertedCount; ++i)
            m_session.entries.insert(firstInserted + i);
        return;
    }
    if (end.reason == TryEnd::Reason::Stopped)
        return;
    // mpv goes on with the next entry of a playlist by itself; the try ends with the last one.
    if (m_session.entries.isEmpty())
        apply(m_session.policy.ended(end));
}

void MediaPlayer::onIdle(bool idle)
{
    // mpv has nothing left to play. Normally the end of the last entry has already been judged;
    // this catches an end whose entry was not recognised, so a dropped station is never left
    // showing "playing". Events arrive in order, so an idle notice while this session's file is
    // loaded is this session's.
    if (!idle || !m_session.active || !m_session.fileLoaded)
        return;
    m_session.entries.clear();
    m_session.fileLoaded = false;
    apply(m_session.policy.ended({TryEnd::Reason::Eof, {}}));
}

void MediaPlayer::apply(const Decision& decision)
{
    switch (decision.kind) {
    case Decision::Kind::Continue:
        return;
    case Decision::Kind::Reconnect:
        // mpv would start the file anew with the next try: the recording ends here, whole.
        stopRecording();
        setState(State::Reconnecting);
        updateBar(); // the try number changes while the state stays
        m_retryTimer.start(decision.delayMs);
        return;
    case Decision::Kind::Finished:
        m_session.active = false;
        setState(State::Stopped);
        return;
    case Decision::Kind::Failed:
        m_session.active = false;
        m_session.failure = decision.failure;
        setState(State::Failed);
        updateBar();
        return;
    }
}

void MediaPlayer::play()
{
    if (!m_mpv->isValid())
        return;
    if (m_session.active) {
        m_mpv->setPaused(false);
        return;
    }
    startSession(m_url);
}

void MediaPlayer::pause()
{
    if (m_session.active && m_session.fileLoaded)
        m_mpv->setPaused(true);
}

void MediaPlayer::stop()
{
    // The bar's stop keeps the address and its name, so play starts it again.
    const QString url = m_url;
    const QString name = m_listedName;
    close();
    m_url = url;
    setStationName(name);
}

bool MediaPlayer::startRecording(const QString& path)
{
    if (path.isEmpty() || !m_session.active || !m_session.fileLoaded)
        return false;
    stopRecording();
    m_recordPath = path;
    m_mpv->setRecordFile(path);
    m_recordClock.start();
    m_recordTick.start();
    updateBar();
    Q_EMIT recordingChanged(true);
    return true;
}

void MediaPlayer::stopRecording()
{
    if (m_recordPath.isEmpty())
        return;
    m_mpv->setRecordFile(QString());
    m_lastRecordPath = m_recordPath;
    m_recordPath.clear();
    m_recordTick.stop();
    updateBar();
    Q_EMIT recordingChanged(false);
}

QString MediaPlayer::recordingExtension() const
{
    const QByteArray f = m_mpv->fileFormat();
    for (const char* plain : {"mp3", "aac", "ogg", "flac", "wav"}) {
        if (f == plain)
            return QString::fromLatin1(plain);
    }
    if (f == "mpegts" || f.contains("hls"))
        return QStringLiteral("ts");
    // Matroska holds whatever else a station sends.
    return m_video != nullptr ? QStringLiteral("mkv") : QStringLiteral("mka");
}

void MediaPlayer::setStationName(const QString& name)
{
    if (name == m_listedName)
        return;
    m_listedName = name;
    updateBar();
    Q_EMIT stationNameChanged(name);
}

void MediaPlayer::setVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    if (volume == m_volume)
        return;
    m_volume = volume;
    m_mpv->setVolume(volume);
    updateBar();
    Q_EMIT volumeChanged(volume);
}

void MediaPlayer::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    m_mpv->setMuted(muted);
    updateBar();
    Q_EMIT mutedChanged(muted);
}

void MediaPlayer::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    updateBar();
    Q_EMIT stateChanged(state);
}

void MediaPlayer::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    updateBar();
    Q_EMIT nowPlayingChanged(title);
}

QString MediaPlayer::statusText() const
{
    return statusLine(stateText(m_state));
}

QString MediaPlayer::statusLine(const QString& state) const
{
    QString line = m_listedName.isEmpty() ? state : m_listedName + QStringLiteral(" · ") + state;
    if (isRecording()) {
        const qint64 s = m_recordClock.elapsed() / 1000;
        line += QStringLiteral(" · 录音 %1:%2")
                    .arg(s / 60, 2, 10, QLatin1Char('0'))
                    .arg(s % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

QString MediaPlayer::stateText(State s) const
{
    switch (s) {
    case State::Stopped:
        return m_url.trimmed().isEmpty() ? QStringLiteral("就绪") : QStringLiteral("已停止");
    case State::Connecting:
        return QStringLiteral("正在连接…");
    case State::Playing:
    case State::Paused: {
        const QString state =
            s == State::Playing ? QStringLiteral("正在播放") : QStringLiteral("已暂停");
        const QString what = !m_title.isEmpty() ? m_title : m_session.stationName;
        return what.isEmpty() ? state : state + QStringLiteral(": ") + what;
    }
    case State::Reconnecting:
        return QStringLiteral("正在重新连接 (%1/%2)…")
            .arg(m_session.policy.retries())
            .arg(ReconnectPolicy::kMaxRetries);
    case State::Failed: {
        const QString why = failureText(m_session.failure);
        return why.isEmpty() ? QStringLiteral("无法播放") : QStringLiteral("无法播放：") + why;
    }
    }
    return {};
}

QWidget* MediaPlayer::videoArea() const
{
    return m_video;
}

QList<QWidget*> MediaPlayer::tabStops() const
{
    return m_bar != nullptr ? m_bar->tabStops() : QList<QWidget*>{};
}

void MediaPlayer::updateBar()
{
    if (m_bar == nullptr)
        return;
    CompactBar::Face face;
    State shown = m_state;
    if (m_state == State::Failed && m_tryClock.isValid() &&
        m_tryClock.elapsed() < kConnectingShownMs) {
        shown = State::Connecting;
        m_faceTimer.start(static_cast<int>(kConnectingShownMs - m_tryClock.elapsed()));
    }
    face.running =
        shown == State::Playing || shown == State::Connecting || shown == State::Reconnecting;
    face.playing = shown == State::Playing;
    face.muted = m_muted;
    face.volume = m_volume;
    face.status = statusLine(stateText(shown));
    face.recording = isRecording();
    m_bar->showFace(face);
}

void MediaPlayer::contextMenuEvent(QContextMenuEvent* event)
{
    // No context menu unless the settings allow one.
    event->accept();
}

} // namespace kelvane
