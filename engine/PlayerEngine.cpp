#include "engine/PlayerEngine.h"

#include "engine/MpvSession.h"
#include "engine/RecordingName.h"
#include "engine/StreamText.h"

#include "net/Fetch.h"
#include "net/NetworkAddress.h"
#include "net/NetworkEvents.h"

#include <QDateTime>
#include <QUrl>

#include <algorithm>

namespace kelvane {

namespace {

constexpr int kAsxTimeoutMs = 10000;
constexpr qint64 kAsxMaxBytes = 64 * 1024;
constexpr int kSavedNoteMs = 5000; // how long the status line says what a recording holds

QList<MpvSession::Option> mpvOptions(const EngineSettings& settings, int volume)
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
        {"ao", audioOutputs(QProcessEnvironment::systemEnvironment())},
        {"audio-fallback-to-null", "yes"}, // no sound device must not stop playback
        {"network-timeout", "10"},         // a dead station fails within seconds
        {"user-agent", "Kelvane/1.0"},
        {"volume", QByteArray::number(volume)},
        {"volume-max", "100"},
        // A bounded cache keeps memory flat on a station that plays for hours.
        {"cache", "yes"},
        {"demuxer-max-bytes", "2MiB"},
        // Nothing seeks: what has been played is let go (a seekable cache keeps it, growing
        // by the stream's rate even with a small back buffer).
        {"demuxer-seekable-cache", "no"},
        {"demuxer-max-back-bytes", "0"},
        {"cache-secs", "20"},
        {"keep-open", "no"},
        {"stream-lavf-o", "reconnect=0"}, // reconnecting is ours, with its back-off
        // libavformat indexes every frame of a stream for seeking, up to 1 MiB a stream: over
        // an hour of radio that is a megabyte for nothing.
        {"demuxer-lavf-o", "indexmem=65536"},
    };
    if (!settings.video) {
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
    case FailReason::NotNetwork:
        return QStringLiteral("播放列表指向的不是网络地址");
    case FailReason::None:
    case FailReason::Unknown:
        break;
    }
    return {};
}

} // namespace

PlayerEngine::PlayerEngine(const EngineSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_volume(std::clamp(settings.volume, 0, 100))
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &PlayerEngine::loadTry);
    m_recordTick.setInterval(1000);
    connect(&m_recordTick, &QTimer::timeout, this, &PlayerEngine::statusChanged);

    m_mpv = new MpvSession(mpvOptions(settings, m_volume), this);
    connect(m_mpv, &MpvSession::fileLoaded, this, &PlayerEngine::onFileLoaded);
    connect(m_mpv, &MpvSession::fileEnded, this, &PlayerEngine::onFileEnded);
    m_recorder = new StreamRecorder(this);
    connect(m_recorder, &StreamRecorder::stopped, this,
            [this](const QString& path, qint64, double seconds) {
                recordingEnded();
                const qint64 s = qRound64(seconds);
                m_savedNote = QStringLiteral("录音已保存 %1:%2")
                                  .arg(s / 60, 2, 10, QLatin1Char('0'))
                                  .arg(s % 60, 2, 10, QLatin1Char('0'));
                m_savedNoteTimer.start();
                Q_EMIT statusChanged();
                Q_EMIT recordingSaved(path, seconds);
            });
    connect(m_recorder, &StreamRecorder::failed, this,
            [this](const QString& path, const QString& why) {
                recordingEnded();
                Q_EMIT recordingFailed(path, why);
            });
    m_savedNoteTimer.setSingleShot(true);
    m_savedNoteTimer.setInterval(kSavedNoteMs);
    connect(&m_savedNoteTimer, &QTimer::timeout, this, [this] {
        m_savedNote.clear();
        Q_EMIT statusChanged();
    });
    connect(m_mpv, &MpvSession::idleChanged, this, &PlayerEngine::onIdle);
    connect(m_mpv, &MpvSession::positionChanged, this, [this](double seconds) {
        if (m_session.active && m_session.fileLoaded)
            m_session.policy.positionReached(seconds);
    });
    connect(m_mpv, &MpvSession::icyTitleChanged, this,
            [this](const QByteArray& raw) { setTitle(decodeStreamTitle(raw).trimmed()); });
    connect(m_mpv, &MpvSession::icyNameChanged, this, [this](const QByteArray& raw) {
        m_session.stationName = decodeStreamTitle(raw).trimmed();
        Q_EMIT statusChanged();
    });
    connect(m_mpv, &MpvSession::pausedChanged, this, [this](bool paused) {
        if (m_session.active && m_session.fileLoaded)
            setState(paused ? State::Paused : State::Playing);
    });
    connect(m_mpv, &MpvSession::bufferingChanged, this, [this](bool buffering) {
        if (m_session.active && m_session.fileLoaded && m_state != State::Paused)
            setState(buffering ? State::Connecting : State::Playing);
    });
}

PlayerEngine::~PlayerEngine()
{
    shutdown();
}

void PlayerEngine::resetSession(bool active)
{
    stopRecording();
    m_retryTimer.stop();
    abortAsx();
    m_session = Session{};
    m_session.policy = ReconnectPolicy(m_settings.retryTiming);
    m_session.active = active;
    setTitle({});
}

void PlayerEngine::shutdown()
{
    // The session ends first: nothing may load into a core that is about to go.
    resetSession(false);
    m_mpv->terminate(); // the video surface lets go of its render context first
    setState(State::Stopped);
}

void PlayerEngine::close()
{
    const bool wasIdle = !m_session.active && m_state == State::Stopped;
    resetSession(false);
    setStationName(QString());
    if (wasIdle)
        return;
    m_mpv->stop();
    setState(State::Stopped);
}

void PlayerEngine::setURL(const QString& url)
{
    m_url = url;
    if (m_settings.autoStart)
        startSession(url);
}

void PlayerEngine::startSession(const QString& url)
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
    Q_EMIT started();
    setState(State::Connecting);
    Q_EMIT statusChanged(); // a new try after a failure shows "connecting" even from Connecting
    startTry();
}

void PlayerEngine::startTry()
{
    const QString url = m_url.trimmed();
    if (m_session.playUrl.isEmpty() && looksLikeAsx(url) &&
        QUrl(url).scheme().startsWith(u"http")) {
        resolveAsx(url);
        return;
    }
    if (m_session.playUrl.isEmpty())
        m_session.playUrl = url;
    loadTry();
}

void PlayerEngine::loadTry()
{
    if (!m_session.active || m_session.held)
        return;
    m_retryTimer.stop();
    m_session.entries.clear();
    m_session.fileLoaded = false;
    const qint64 entry = m_mpv->load(m_session.playUrl);
    if (entry < 0) {
        apply(m_session.policy.ended({TryEnd::Reason::Error, {FailReason::Unsupported, 0}}));
        return;
    }
    m_session.entries.insert(entry);
}

void PlayerEngine::abortAsx()
{
    // Its end must not reach a session that no longer wants it.
    if (m_asx)
        m_asx->abort();
    m_asx.reset();
}

void PlayerEngine::resolveAsx(const QString& url)
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
        const QUrl target = ref.isEmpty() ? QUrl(url) : QUrl(url).resolved(QUrl(ref));
        // What a station's server names is only ever fetched from the network.
        if (!net::isNetworkAddress(target)) {
            fail({FailReason::NotNetwork, 0});
            return;
        }
        m_session.playUrl = target.toString();
        loadTry();
    });
    m_asx->start(QUrl(url), limits);
}

void PlayerEngine::fail(const Failure& failure)
{
    m_retryTimer.stop();
    m_session.active = false;
    m_session.failure = failure;
    setState(State::Failed);
    Q_EMIT statusChanged();
}

void PlayerEngine::onFileLoaded(qint64 entry)
{
    if (!m_session.active || !m_session.entries.contains(entry))
        return;
    m_session.fileLoaded = true;
    m_session.policy.loaded();
    setState(State::Playing);
}

void PlayerEngine::onFileEnded(qint64 entry, const TryEnd& end, qint64 firstInserted,
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

void PlayerEngine::onIdle(bool idle)
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

void PlayerEngine::apply(const Decision& decision)
{
    switch (decision.kind) {
    case Decision::Kind::Continue:
        return;
    case Decision::Kind::Reconnect:
        if (m_network)
            m_network->wantReachability();
        setState(State::Reconnecting);
        Q_EMIT statusChanged(); // the try number changes while the state stays
        m_retryTimer.start(decision.delayMs);
        return;
    case Decision::Kind::Finished:
        stopRecording();
        m_session.active = false;
        setState(State::Stopped);
        return;
    case Decision::Kind::Failed:
        stopRecording();
        fail(decision.failure);
        return;
    }
}

void PlayerEngine::play()
{
    if (!m_mpv->isValid())
        return;
    if (!m_session.active) {
        startSession(m_url);
        return;
    }
    if (m_session.held) {
        // Paused while connecting or waiting: the listener wants it now.
        m_session.held = false;
        setState(m_session.policy.retries() > 0 ? State::Reconnecting : State::Connecting);
        Q_EMIT statusChanged();
        startTry();
        return;
    }
    if (m_retryTimer.isActive()) {
        retryNow();
        return;
    }
    m_mpv->setPaused(false);
}

void PlayerEngine::pause()
{
    if (!m_session.active || m_session.held)
        return;
    if (m_session.fileLoaded) {
        m_mpv->setPaused(true);
        return;
    }
    // Connecting or waiting for a try: stop trying until play.
    m_retryTimer.stop();
    abortAsx();
    m_session.held = true;
    m_session.entries.clear(); // the try under way ends unjudged
    m_mpv->stop();
    setState(State::Paused);
    Q_EMIT statusChanged();
}

void PlayerEngine::retryNow()
{
    if (m_session.active && !m_session.held && m_retryTimer.isActive())
        loadTry();
}

void PlayerEngine::followNetwork(net::NetworkEvents* events)
{
    if (events == nullptr)
        return;
    m_network = events;
    connect(events, &net::NetworkEvents::networkBack, this, &PlayerEngine::retryNow);
    connect(events, &net::NetworkEvents::wokeUp, this, &PlayerEngine::retryNow);
}

void PlayerEngine::stop()
{
    const QString url = m_url;
    const QString name = m_listedName;
    close();
    m_url = url;
    setStationName(name);
}

QString PlayerEngine::startRecording(const QString& folder, QString* why)
{
    const auto refuse = [why](const QString& reason) {
        if (why != nullptr)
            *why = reason;
        return QString();
    };
    if (!m_session.active || !m_session.fileLoaded)
        return refuse(QStringLiteral("没有正在播放的电台"));
    stopRecording();
    const QDateTime now = QDateTime::currentDateTime();
    const QString format = QString::fromLatin1(m_mpv->fileFormat());
    QString error;
    const QString path = createRecordingFile(
        folder, m_listedName, now, kelvane::recordingExtension(format, m_settings.video), &error);
    if (path.isEmpty())
        return refuse(error);
    // The entry mpv plays: a playlist's stream, an asx's reference.
    QString source = m_mpv->streamPath();
    if (source.isEmpty())
        source = m_session.playUrl;
    m_recorder->start(QUrl(source), path, m_listedName, now, format);
    m_savedNote.clear();
    m_recordTick.start();
    Q_EMIT statusChanged();
    Q_EMIT recordingChanged(true);
    return path;
}

void PlayerEngine::stopRecording()
{
    // The recorder reports the end (stopped or failed), normally before stop() returns.
    if (m_recorder->isRecording())
        m_recorder->stop();
}

bool PlayerEngine::isRecording() const
{
    return m_recorder->isRecording();
}

QString PlayerEngine::recordingPath() const
{
    return m_recorder->isRecording() ? m_recorder->path() : QString();
}

void PlayerEngine::recordingEnded()
{
    m_recordTick.stop();
    Q_EMIT statusChanged();
    Q_EMIT recordingChanged(false);
}

void PlayerEngine::enableVideo()
{
    m_mpv->setVideoEnabled(true);
}

void PlayerEngine::setStationName(const QString& name)
{
    if (name == m_listedName)
        return;
    m_listedName = name;
    Q_EMIT statusChanged();
    Q_EMIT stationNameChanged(name);
}

void PlayerEngine::setVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    if (volume == m_volume)
        return;
    m_volume = volume;
    m_mpv->setVolume(volume);
    Q_EMIT volumeChanged(volume);
}

void PlayerEngine::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    m_mpv->setMuted(muted);
    Q_EMIT mutedChanged(muted);
}

void PlayerEngine::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT statusChanged();
    Q_EMIT stateChanged(state);
}

void PlayerEngine::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT statusChanged();
    Q_EMIT nowPlayingChanged(title);
}

QString PlayerEngine::statusLine(State state) const
{
    const QString words = stateText(state);
    QString line = m_listedName.isEmpty() ? words : m_listedName + QStringLiteral(" · ") + words;
    if (isRecording()) {
        const qint64 s = m_recorder->elapsedMs() / 1000;
        line += QStringLiteral(" · 录音 %1:%2")
                    .arg(s / 60, 2, 10, QLatin1Char('0'))
                    .arg(s % 60, 2, 10, QLatin1Char('0'));
    } else if (!m_savedNote.isEmpty()) {
        line += QStringLiteral(" · ") + m_savedNote;
    }
    return line;
}

QString PlayerEngine::stateText(State s) const
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
    case State::Reconnecting: {
        if (!m_session.policy.waiting()) {
            return QStringLiteral("正在重新连接 (%1/%2)…")
                .arg(m_session.policy.retries())
                .arg(ReconnectPolicy::kMaxRetries);
        }
        // A drop is no repeated one here: each try of the wait is a minute apart.
        const Failure last = m_session.policy.lastFailure();
        const QString why =
            last.reason == FailReason::Ended ? QStringLiteral("连接中断") : failureText(last);
        return why.isEmpty() ? QStringLiteral("等待网络…")
                             : QStringLiteral("等待网络… (") + why + u')';
    }
    case State::Failed: {
        const QString why = failureText(m_session.failure);
        return why.isEmpty() ? QStringLiteral("无法播放") : QStringLiteral("无法播放：") + why;
    }
    }
    return {};
}

} // namespace kelvane
