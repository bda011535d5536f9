#include "engine/MpvSession.h"

#include <mpv/client.h>

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>
#include <QtGlobal>

#include <vector>

namespace kelvane {

namespace {

enum Observed : quint64
{
    kIcyTitle = 1,
    kIcyName,
    kPause,
    kPausedForCache,
    kIdleActive,
    kTimePos,
};

constexpr quint64 kUnloadHook = 100;

double doubleProperty(mpv_handle* mpv, const char* name)
{
    double value = -1;
    if (mpv_get_property(mpv, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return -1;
    return value;
}

// Raw elementary streams and MPEG transport/program streams have no index: the demuxer estimates
// their duration from the byte length and the first frames' bitrate. Ogg has none either: its
// duration is read from the last page that had arrived.
bool durationIsEstimated(const QByteArray& format)
{
    for (const char* raw :
         {"mp3", "aac", "ac3", "eac3", "dts", "mpegts", "mpeg", "h264", "hevc", "ogg"}) {
        if (format == raw)
            return true;
    }
    return false;
}

qint64 int64Property(mpv_handle* mpv, const char* name)
{
    int64_t value = -1;
    if (mpv_get_property(mpv, name, MPV_FORMAT_INT64, &value) < 0)
        return -1;
    return value;
}

// What a log line of mpv or its ffmpeg says about a failure to open, if anything.
Failure classify(const QByteArray& line)
{
    const QByteArray text = line.toLower();
    static const QRegularExpression http(QStringLiteral(R"(http error (\d{3}))"));
    if (const auto m = http.match(QString::fromLatin1(text)); m.hasMatch()) {
        const int status = m.captured(1).toInt();
        return {status == 404 || status == 410 ? FailReason::NotFound : FailReason::HttpError,
                status};
    }
    if (text.contains("failed to resolve hostname") || text.contains("name or service not known") ||
        text.contains("temporary failure in name resolution"))
        return {FailReason::HostNotFound, 0};
    if (text.contains("connection refused") || text.contains("no route to host") ||
        text.contains("network is unreachable"))
        return {FailReason::Unreachable, 0};
    if (text.contains("timed out"))
        return {FailReason::TimedOut, 0};
    if (text.contains("failed to recognize file format"))
        return {FailReason::Unsupported, 0};
    return {};
}

} // namespace

QByteArray audioOutputs(const QProcessEnvironment& env)
{
    bool pipewire = env.contains(QStringLiteral("PIPEWIRE_REMOTE"));
    if (!pipewire) {
        QString dir = env.value(QStringLiteral("PIPEWIRE_RUNTIME_DIR"));
        if (dir.isEmpty())
            dir = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
        pipewire = !dir.isEmpty() && QFileInfo::exists(dir + QStringLiteral("/pipewire-0"));
    }
    return pipewire ? "pipewire,pulse,alsa,jack" : "pulse,alsa,jack";
}

MpvSession::MpvSession(const QList<Option>& options, QObject* parent) : QObject(parent)
{
    m_mpv = mpv_create();
    if (m_mpv == nullptr)
        return; // no player: every operation quietly does nothing
    for (const auto& [name, value] : options) {
        if (mpv_set_option_string(m_mpv, name.constData(), value.constData()) < 0) {
            qWarning("libmpv refused the option %s=%s", name.constData(), value.constData());
            m_refused.append(name);
        }
        if (name == "network-timeout")
            m_networkTimeoutS = value.toInt();
    }
    if (mpv_initialize(m_mpv) < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        return;
    }
    mpv_observe_property(m_mpv, kIcyTitle, "metadata/by-key/icy-title", MPV_FORMAT_STRING);
    mpv_observe_property(m_mpv, kIcyName, "metadata/by-key/icy-name", MPV_FORMAT_STRING);
    mpv_observe_property(m_mpv, kPause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, kPausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, kIdleActive, "idle-active", MPV_FORMAT_FLAG);
    // As a whole number: mpv then reports it once a second, not on every frame.
    mpv_observe_property(m_mpv, kTimePos, "time-pos", MPV_FORMAT_INT64);
    // How far into the resource a file got can only be read while it is still open.
    mpv_hook_add(m_mpv, kUnloadHook, "on_unload", 0);
    // The reason a station fails to open is only in the log.
    mpv_request_log_messages(m_mpv, "warn");
    mpv_set_wakeup_callback(
        m_mpv,
        [](void* ctx) {
            // Called on one of mpv's threads: only post a call to the GUI thread.
            QMetaObject::invokeMethod(static_cast<MpvSession*>(ctx), &MpvSession::drain,
                                      Qt::QueuedConnection);
        },
        this);
}

MpvSession::~MpvSession()
{
    terminate();
}

void MpvSession::terminate()
{
    if (m_mpv == nullptr)
        return;
    Q_EMIT aboutToTerminate();
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_handle* mpv = m_mpv;
    m_mpv = nullptr;
    mpv_terminate_destroy(mpv);
}

qint64 MpvSession::load(const QString& url)
{
    if (m_mpv == nullptr)
        return -1;
    m_failure = {};
    m_sinceLoad.start();
    const QByteArray u = url.toUtf8();
    const char* args[] = {"loadfile", u.constData(), "replace", nullptr};
    mpv_node result{};
    if (mpv_command_ret(m_mpv, args, &result) < 0)
        return -1;
    qint64 entry = -1;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                entry = result.u.list->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    if (entry < 0)
        entry = int64Property(m_mpv, "playlist/0/id");
    setPaused(false);
    return entry;
}

void MpvSession::stop()
{
    if (m_mpv == nullptr)
        return;
    const char* args[] = {"stop", nullptr};
    mpv_command(m_mpv, args);
}

void MpvSession::setPaused(bool paused)
{
    setFlag("pause", paused);
}

void MpvSession::setVolume(int volume)
{
    if (m_mpv == nullptr)
        return;
    double v = volume;
    mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &v);
}

void MpvSession::setMuted(bool muted)
{
    setFlag("mute", muted);
}

QString MpvSession::streamPath() const
{
    if (m_mpv == nullptr)
        return {};
    char* path = mpv_get_property_string(m_mpv, "path");
    const QString result = QString::fromUtf8(path);
    mpv_free(path);
    return result;
}

void MpvSession::setFlag(const char* name, bool on)
{
    if (m_mpv == nullptr)
        return;
    int flag = on ? 1 : 0;
    mpv_set_property(m_mpv, name, MPV_FORMAT_FLAG, &flag);
}

void MpvSession::setVideoEnabled(bool enabled)
{
    if (m_mpv != nullptr)
        mpv_set_property_string(m_mpv, "vid", enabled ? "auto" : "no");
}

void MpvSession::drain()
{
    // A handler may end the player that owns this session (a window closing): stop at once.
    QPointer<MpvSession> self(this);
    while (self && m_mpv != nullptr) {
        mpv_event* event = mpv_wait_event(m_mpv, 0);
        if (event == nullptr || event->event_id == MPV_EVENT_NONE)
            break;
        // A held end goes out before the next file's events, in order.
        if (event->event_id == MPV_EVENT_START_FILE || event->event_id == MPV_EVENT_FILE_LOADED ||
            event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_HOOK)
            releaseHeldEnd();
        if (!self)
            return;
        dispatch(*event);
    }
    if (self)
        releaseHeldEnd();
}

void MpvSession::releaseHeldEnd()
{
    if (!m_heldEnd)
        return;
    HeldEnd held = *m_heldEnd;
    m_heldEnd.reset();
    Failure& failure = held.end.failure;
    if (held.end.reason == TryEnd::Reason::Error) {
        failure = m_failure;
        if (failure.reason == FailReason::None) {
            if (held.mpvError == MPV_ERROR_UNKNOWN_FORMAT)
                failure.reason = FailReason::Unsupported;
            else if (m_sinceLoad.isValid() &&
                     m_sinceLoad.elapsed() >= m_networkTimeoutS * 1000LL - 1000)
                failure.reason = FailReason::TimedOut; // mpv says nothing of a silent server
        }
    }
    m_failure = {};
    Q_EMIT fileEnded(held.entry, held.end, held.firstInserted, held.insertedCount);
}

void MpvSession::noteLogLine(const QByteArray& text)
{
    if (m_failure.reason != FailReason::None)
        return; // the first specific reason is the cause; later lines are consequences
    m_failure = classify(text);
}

void MpvSession::dispatch(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* line = static_cast<const mpv_event_log_message*>(event.data);
        noteLogLine(line->text);
        break;
    }
    case MPV_EVENT_HOOK: {
        const auto* hook = static_cast<const mpv_event_hook*>(event.data);
        if (event.reply_userdata == kUnloadHook) {
            m_unloadBytes = int64Property(m_mpv, "stream-pos");
            m_unloadLength = m_lengthIsTheMedia ? int64Property(m_mpv, "stream-end") : -1;
        }
        mpv_hook_continue(m_mpv, hook->id);
        break;
    }
    case MPV_EVENT_START_FILE:
        m_currentEntry = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        m_unloadBytes = m_unloadLength = -1;
        m_loadDuration = -1;
        m_lengthIsTheMedia = true;
        m_exactDuration = false;
        m_fileFormat.clear();
        break;
    case MPV_EVENT_FILE_LOADED: {
        // Segmented formats read many resources: the first one's length says nothing.
        char* format = mpv_get_property_string(m_mpv, "file-format");
        const QByteArray f(format != nullptr ? format : "");
        mpv_free(format);
        m_lengthIsTheMedia = !f.contains("hls") && !f.contains("dash");
        m_exactDuration = !durationIsEstimated(f);
        // As the demuxer knew it from the start: absent for live sources, finite for files and
        // playlists that end (ENDLIST). Read later it would not do: at the end of a live stream
        // mpv gives the length of what arrived.
        m_loadDuration = doubleProperty(m_mpv, "duration");
        m_fileFormat = f;
        Q_EMIT fileLoaded(m_currentEntry);
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        TryEnd info;
        switch (end->reason) {
        case MPV_END_FILE_REASON_EOF:
            info.reason = TryEnd::Reason::Eof;
            break;
        case MPV_END_FILE_REASON_ERROR:
            info.reason = TryEnd::Reason::Error;
            break;
        case MPV_END_FILE_REASON_REDIRECT:
            info.reason = TryEnd::Reason::Redirect;
            break;
        default:
            info.reason = TryEnd::Reason::Stopped;
            break;
        }
        info.bytes = m_unloadBytes;
        info.length = m_unloadLength;
        info.duration = m_loadDuration;
        info.exactDuration = m_exactDuration;
        m_unloadBytes = m_unloadLength = -1;
        m_loadDuration = -1;
        // mpv hands out log lines only once its queue of events is empty, so the line that says
        // why a file failed comes after the file's end: hold the end until the drain is done.
        m_heldEnd = HeldEnd{end->playlist_entry_id, info, end->playlist_insert_id,
                            end->playlist_insert_num_entries, end->error};
        if (info.reason != TryEnd::Reason::Error)
            releaseHeldEnd();
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* prop = static_cast<const mpv_event_property*>(event.data);
        QByteArray text;
        if (prop->format == MPV_FORMAT_STRING && prop->data != nullptr)
            text = QByteArray(*static_cast<char**>(prop->data));
        const bool flag = prop->format == MPV_FORMAT_FLAG && prop->data != nullptr &&
                          *static_cast<int*>(prop->data) != 0;
        switch (event.reply_userdata) {
        case kIcyTitle:
            Q_EMIT icyTitleChanged(text);
            break;
        case kIcyName:
            Q_EMIT icyNameChanged(text);
            break;
        case kPause:
            Q_EMIT pausedChanged(flag);
            break;
        case kPausedForCache:
            Q_EMIT bufferingChanged(flag);
            break;
        case kIdleActive:
            Q_EMIT idleChanged(flag);
            break;
        case kTimePos:
            if (prop->format == MPV_FORMAT_INT64 && prop->data != nullptr)
                Q_EMIT positionChanged(double(*static_cast<int64_t*>(prop->data)));
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}

} // namespace kelvane
