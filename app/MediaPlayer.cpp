#include "app/MediaPlayer.h"

#include "app/VideoSurface.h"

#include <mpv/client.h>

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QStringDecoder>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvane {

namespace {

constexpr int kBarHeight = 16;
constexpr int kAsxTimeoutMs = 10000;

enum ObservedProperty : quint64
{
    kIcyTitle = 1,
    kIcyName,
    kPause,
    kPausedForCache,
    kIdleActive
};

// A small painted area that stands in for the visualisation: quiet, no animation, so an idle
// or playing radio costs no CPU for drawing.
class VisualArea : public QWidget
{
public:
    explicit VisualArea(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setPlaying(bool playing)
    {
        if (m_playing != playing) {
            m_playing = playing;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(16, 16, 24));
        const QColor bar = m_playing ? QColor(255, 128, 0) : QColor(70, 70, 80);
        const int n = 24;
        const int w = std::max(2, width() / (n * 2));
        for (int i = 0; i < n; ++i) {
            const int h = (height() - 4) * (3 + (i * 7) % 10) / 14;
            p.fillRect(4 + i * 2 * w, height() - 2 - h, w, h, bar);
        }
    }

private:
    bool m_playing = false;
};

// One line of text, elided to the width it has.
class ElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(contentsRect(), Qt::AlignVCenter | Qt::AlignLeft,
                   fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()));
    }
    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }
};

enum class BarIcon
{
    Play,
    Pause,
    Stop,
    Sound,
    Muted
};

// The bar's own small icons: the style's media icons vanish on a dark bar in some themes.
QIcon barIcon(BarIcon kind)
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 160, 40));
    switch (kind) {
    case BarIcon::Play:
        p.drawPolygon(QPolygonF({QPointF(5, 3), QPointF(17, 10), QPointF(5, 17)}));
        break;
    case BarIcon::Pause:
        p.drawRect(QRectF(4, 3, 4.5, 14));
        p.drawRect(QRectF(11.5, 3, 4.5, 14));
        break;
    case BarIcon::Stop:
        p.drawRect(QRectF(4, 4, 12, 12));
        break;
    case BarIcon::Sound:
    case BarIcon::Muted:
        p.drawPolygon(QPolygonF({QPointF(2, 7), QPointF(6, 7), QPointF(11, 3), QPointF(11, 17),
                                 QPointF(6, 13), QPointF(2, 13)}));
        p.setPen(QPen(QColor(255, 160, 40), 1.8));
        if (kind == BarIcon::Muted) {
            p.drawLine(QPointF(13, 6), QPointF(18, 14));
            p.drawLine(QPointF(18, 6), QPointF(13, 14));
        } else {
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(8, 5, 8, 10), -60 * 16, 120 * 16);
            p.drawArc(QRectF(7, 2, 12, 16), -60 * 16, 120 * 16);
        }
        break;
    }
    return QIcon(pm);
}

} // namespace

QString DecodeStreamTitle(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK", QStringDecoder::Flag::Stateless);
    return gbk.decode(bytes);
}

bool LooksLikeAsx(const QString& url)
{
    const QUrl parsed(url);
    return parsed.path().endsWith(QStringLiteral(".asx"), Qt::CaseInsensitive);
}

QString FirstAsxReference(const QByteArray& xml)
{
    // Real asx files are often not well-formed XML (bare '&' in addresses), so a tolerant match
    // over the text is used rather than a strict parser.
    static const QRegularExpression ref(
        QStringLiteral(R"re(<\s*ref\b[^>]*?\bhref\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = DecodeStreamTitle(xml);
    const QRegularExpressionMatch m = ref.match(text);
    if (!m.hasMatch())
        return {};
    QString href = m.captured(1);
    if (href.isNull())
        href = m.captured(2);
    if (href.isNull())
        href = m.captured(3);
    href.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return href.trimmed();
}

MediaPlayer::MediaPlayer(const MediaPlayerSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_volume(std::clamp(settings.volume, 0, 100))
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        if (m_sessionActive)
            loadIntoMpv(m_playUrl);
    });
    setContextMenuPolicy(settings.enableContextMenu ? Qt::DefaultContextMenu : Qt::NoContextMenu);
    createMpv();
    if (m_settings.uiMode == u"mini")
        buildMiniBar();
    else
        buildVideoArea();
}

MediaPlayer::~MediaPlayer()
{
    shutdown();
}

void MediaPlayer::createMpv()
{
    m_mpv = mpv_create();
    if (m_mpv == nullptr)
        return; // no player: every operation quietly plays nothing
    auto option = [this](const char* name, const QByteArray& value) {
        mpv_set_option_string(m_mpv, name, value.constData());
    };
    option("config", "no");
    option("terminal", "no");
    option("ytdl", "no");
    option("input-default-bindings", "no");
    option("input-vo-keyboard", "no");
    option("osc", "no");
    option("idle", "yes");
    option("force-window", "no");
    option("audio-fallback-to-null", "yes"); // no sound device must not stop playback
    option("network-timeout", "10");         // a dead station fails within seconds
    option("user-agent", "Kelvane/1.0");
    option("volume", QByteArray::number(m_volume));
    option("volume-max", "100");
    // A bounded cache keeps memory flat on a station that plays for hours.
    option("cache", "yes");
    option("demuxer-max-bytes", "2MiB");
    option("demuxer-max-back-bytes", "512KiB");
    option("cache-secs", "20");
    option("keep-open", "no");
    option("stream-lavf-o", "reconnect=0");
    if (m_settings.uiMode == u"mini") {
        option("vid", "no");
        option("vo", "null");
    } else {
        // Sound first: the picture can only be drawn once the video area has been shown, and a
        // video output without its render context would fail the whole file.
        option("vo", "libmpv");
        option("vid", "no");
        option("hwdec", "no");
    }
    if (!m_settings.stretchToFit)
        option("keepaspect", "yes");
    for (const QString& extra : std::as_const(m_settings.extraOptions)) {
        const qsizetype eq = extra.indexOf(u'=');
        if (eq > 0)
            option(extra.left(eq).toUtf8().constData(), extra.mid(eq + 1).toUtf8());
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
    mpv_set_wakeup_callback(
        m_mpv,
        [](void* ctx) {
            // Called on one of mpv's threads: only post a call to the GUI thread.
            QMetaObject::invokeMethod(static_cast<MediaPlayer*>(ctx), &MediaPlayer::onMpvWakeup,
                                      Qt::QueuedConnection);
        },
        this);
}

void MediaPlayer::shutdown()
{
    m_retryTimer.stop();
    if (m_asxReply)
        m_asxReply->abort();
    m_sessionActive = false;
    if (m_video != nullptr)
        m_video->release();
    if (m_mpv != nullptr) {
        mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
    }
    setState(State::Stopped);
}

void MediaPlayer::command(const QList<QByteArray>& args)
{
    if (m_mpv == nullptr)
        return;
    std::vector<const char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(a.constData());
    argv.push_back(nullptr);
    mpv_command(m_mpv, argv.data());
}

void MediaPlayer::close()
{
    const bool wasIdle = !m_sessionActive && m_state == State::Stopped;
    ++m_session;
    m_sessionActive = false;
    m_entries.clear();
    m_retryTimer.stop();
    if (m_asxReply)
        m_asxReply->abort();
    if (wasIdle)
        return;
    command({"stop"});
    setTitle({});
    m_stationName.clear();
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
    ++m_session;
    m_entries.clear();
    m_retryTimer.stop();
    m_loaded = false;
    m_duration = 0;
    m_retries = 0;
    setTitle({});
    m_stationName.clear();
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty() || m_mpv == nullptr) {
        m_sessionActive = false;
        setState(State::Stopped);
        return;
    }
    m_sessionActive = true;
    setState(State::Connecting);
    if (LooksLikeAsx(trimmed) && QUrl(trimmed).scheme().startsWith(u"http")) {
        resolveAsx(trimmed);
        return;
    }
    m_playUrl = trimmed;
    loadIntoMpv(m_playUrl);
}

void MediaPlayer::resolveAsx(const QString& url)
{
    if (m_network == nullptr)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(kAsxTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Kelvane/1.0"));
    QNetworkReply* reply = m_network->get(request);
    m_asxReply = reply;
    const quint64 session = m_session;
    connect(reply, &QNetworkReply::finished, this, [this, reply, session, url] {
        reply->deleteLater();
        if (session != m_session || !m_sessionActive)
            return;
        // Small playlists only: a stream behind an .asx name is played as it is.
        const QByteArray head =
            reply->error() == QNetworkReply::NoError ? reply->read(256 * 1024) : QByteArray();
        const QString ref = FirstAsxReference(head);
        m_playUrl = ref.isEmpty() ? url : QUrl(url).resolved(QUrl(ref)).toString();
        loadIntoMpv(m_playUrl);
    });
    // Don't download a live stream that merely has an .asx name.
    connect(reply, &QNetworkReply::readyRead, this, [reply] {
        if (reply->bytesAvailable() > 256 * 1024)
            reply->abort();
    });
}

void MediaPlayer::loadIntoMpv(const QString& url)
{
    if (m_mpv == nullptr)
        return;
    m_entries.clear();
    m_fileLoaded = false;
    const QByteArray u = url.toUtf8();
    const char* args[] = {"loadfile", u.constData(), "replace", nullptr};
    mpv_node result{};
    if (mpv_command_ret(m_mpv, args, &result) < 0) {
        m_sessionActive = false;
        setState(State::Failed);
        return;
    }
    qint64 entry = -1;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                entry = result.u.list->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    if (entry < 0) {
        int64_t id = -1;
        if (mpv_get_property(m_mpv, "playlist/0/id", MPV_FORMAT_INT64, &id) >= 0)
            entry = id;
    }
    m_entries.insert(entry);
    int pause = 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pause);
}

void MediaPlayer::onMpvWakeup()
{
    if (m_mpv == nullptr)
        return;
    for (;;) {
        mpv_event* event = mpv_wait_event(m_mpv, 0);
        if (event == nullptr || event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
        if (m_mpv == nullptr)
            break;
    }
}

void MediaPlayer::handleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED: {
        if (!m_sessionActive)
            break;
        double duration = 0;
        if (mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &duration) < 0 || duration <= 0)
            duration = 0;
        m_duration = duration;
        m_loaded = true;
        m_fileLoaded = true;
        m_playingSince.start();
        setState(State::Playing);
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (!m_sessionActive || !m_entries.contains(end->playlist_entry_id))
            break;
        m_entries.remove(end->playlist_entry_id);
        m_fileLoaded = false;
        if (end->reason == MPV_END_FILE_REASON_REDIRECT) {
            for (int i = 0; i < end->playlist_insert_num_entries; ++i)
                m_entries.insert(end->playlist_insert_id + i);
            break;
        }
        if (end->reason == MPV_END_FILE_REASON_STOP || end->reason == MPV_END_FILE_REASON_QUIT)
            break;
        // mpv goes on with the next entry of a playlist by itself; the session ends with the
        // last one.
        if (m_entries.isEmpty())
            sessionEnded();
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* prop = static_cast<const mpv_event_property*>(event.data);
        QByteArray value;
        if (prop->format == MPV_FORMAT_STRING && prop->data != nullptr)
            value = QByteArray(*static_cast<char**>(prop->data));
        const bool flag = prop->format == MPV_FORMAT_FLAG && prop->data != nullptr &&
                          *static_cast<int*>(prop->data) != 0;
        switch (event.reply_userdata) {
        case kIcyTitle:
            setTitle(DecodeStreamTitle(value).trimmed());
            break;
        case kIcyName:
            m_stationName = DecodeStreamTitle(value).trimmed();
            updateBar();
            break;
        case kPause:
            if (m_sessionActive && m_fileLoaded)
                setState(flag ? State::Paused : State::Playing);
            break;
        case kIdleActive:
            // mpv has nothing left to play. Normally the end of the last entry has already ended
            // the session; this catches an end whose entry was not recognised, so a dropped
            // station is never left showing "playing". Events arrive in order, so an idle
            // notice after this session's first load is this session's.
            if (flag && m_sessionActive && m_loaded && !m_retryTimer.isActive() &&
                m_state != State::Reconnecting) {
                m_entries.clear();
                m_fileLoaded = false;
                sessionEnded();
            }
            break;
        case kPausedForCache:
            if (m_sessionActive && m_fileLoaded && m_state != State::Paused)
                setState(flag ? State::Connecting : State::Playing);
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

bool MediaPlayer::endedAsADrop() const
{
    if (m_duration <= 0)
        return true; // a live stream has no end
    // A stream can carry the length header of the file it was cut from; one that ends well
    // before or well after that length is a stream, not a file that played out.
    if (!m_playingSince.isValid())
        return false;
    const double played = m_playingSince.elapsed() / 1000.0;
    return played < m_duration - 2.0 || played > m_duration + 5.0;
}

void MediaPlayer::sessionEnded()
{
    if (m_loaded && endedAsADrop()) {
        // A live stream has no end: this is a drop.
        if (m_playingSince.isValid() && m_playingSince.elapsed() >= kStablePlayMs)
            m_retries = 0;
        scheduleReconnect();
        return;
    }
    m_sessionActive = false;
    if (m_loaded) {
        setState(State::Stopped); // a file that played to its end
    } else {
        setState(State::Failed);
    }
}

void MediaPlayer::scheduleReconnect()
{
    if (m_retries >= kMaxRetries) {
        m_sessionActive = false;
        setState(State::Failed);
        return;
    }
    const int delay = std::min(kMaxRetryMs, kFirstRetryMs << std::min(m_retries, 5));
    ++m_retries;
    m_playingSince.invalidate();
    setState(State::Reconnecting);
    m_retryTimer.start(delay);
}

void MediaPlayer::play()
{
    if (m_mpv == nullptr)
        return;
    if (m_sessionActive) {
        int pause = 0;
        mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pause);
        return;
    }
    startSession(m_url);
}

void MediaPlayer::pause()
{
    if (m_mpv == nullptr || !m_sessionActive || !m_fileLoaded)
        return;
    int pause = 1;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pause);
}

void MediaPlayer::stop()
{
    // The bar's stop keeps the address, so play starts it again.
    const QString url = m_url;
    close();
    m_url = url;
}

void MediaPlayer::setVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    if (volume == m_volume)
        return;
    m_volume = volume;
    if (m_mpv != nullptr) {
        double v = volume;
        mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &v);
    }
    updateBar();
}

void MediaPlayer::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    if (m_mpv != nullptr) {
        int flag = muted ? 1 : 0;
        mpv_set_property(m_mpv, "mute", MPV_FORMAT_FLAG, &flag);
    }
    updateBar();
}

void MediaPlayer::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (auto* visual = dynamic_cast<VisualArea*>(m_visual))
        visual->setPlaying(state == State::Playing);
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
    QString state;
    switch (m_state) {
    case State::Stopped:
        state = m_url.trimmed().isEmpty() ? QStringLiteral("就绪") : QStringLiteral("已停止");
        break;
    case State::Connecting:
        state = QStringLiteral("正在连接…");
        break;
    case State::Playing:
        state = QStringLiteral("正在播放");
        break;
    case State::Paused:
        state = QStringLiteral("已暂停");
        break;
    case State::Reconnecting:
        state = QStringLiteral("连接中断，正在重新连接…");
        break;
    case State::Failed:
        state = QStringLiteral("无法播放");
        break;
    }
    const QString what = !m_title.isEmpty() ? m_title : m_stationName;
    if ((m_state == State::Playing || m_state == State::Paused) && !what.isEmpty())
        return state + QStringLiteral(": ") + what;
    return state;
}

void MediaPlayer::buildMiniBar()
{
    // The bar sits at the top: in the radio window the station list covers the lower part of
    // the player, and the controls and the now-playing line must stay in view.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_bar = new QWidget(this);
    m_bar->setFixedHeight(kBarHeight);
    m_bar->setAutoFillBackground(true);
    QPalette pal = m_bar->palette();
    pal.setColor(QPalette::Window, QColor(32, 32, 40));
    pal.setColor(QPalette::WindowText, QColor(255, 200, 120));
    m_bar->setPalette(pal);
    auto* row = new QHBoxLayout(m_bar);
    row->setContentsMargins(1, 0, 2, 0);
    row->setSpacing(1);
    auto makeButton = [this, row](BarIcon icon, const QString& tip) {
        auto* b = new QToolButton(m_bar);
        b->setIcon(barIcon(icon));
        b->setIconSize(QSize(10, 10));
        b->setFixedSize(kBarHeight, kBarHeight);
        b->setAutoRaise(true);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
        return b;
    };
    m_playPause = makeButton(BarIcon::Play, QStringLiteral("播放/暂停"));
    m_stopButton = makeButton(BarIcon::Stop, QStringLiteral("停止"));
    m_muteButton = makeButton(BarIcon::Sound, QStringLiteral("静音"));
    m_volumeSlider = new QSlider(Qt::Horizontal, m_bar);
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setValue(m_volume);
    m_volumeSlider->setFixedWidth(46);
    m_volumeSlider->setFixedHeight(kBarHeight);
    m_volumeSlider->setToolTip(QStringLiteral("音量"));
    m_volumeSlider->setFocusPolicy(Qt::NoFocus);
    row->addWidget(m_volumeSlider);
    m_status = new ElidedLabel(m_bar);
    m_status->setTextFormat(Qt::PlainText);
    QFont small = m_status->font();
    small.setPixelSize(11);
    m_status->setFont(small);
    row->addWidget(m_status, 1);
    outer->addWidget(m_bar);
    m_visual = new VisualArea(this);
    outer->addWidget(m_visual, 1);

    connect(m_playPause, &QToolButton::clicked, this, [this] {
        if (m_state == State::Playing || m_state == State::Connecting)
            pause();
        else
            play();
    });
    connect(m_stopButton, &QToolButton::clicked, this, &MediaPlayer::stop);
    connect(m_muteButton, &QToolButton::clicked, this, [this] { setMuted(!m_muted); });
    connect(m_volumeSlider, &QSlider::valueChanged, this, &MediaPlayer::setVolume);
    updateBar();
}

QWidget* MediaPlayer::videoArea() const
{
    return m_video;
}

void MediaPlayer::buildVideoArea()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_video = new VideoSurface(m_mpv, this);
    layout->addWidget(m_video);
    connect(m_video, &VideoSurface::ready, this, [this] {
        if (m_mpv != nullptr)
            mpv_set_property_string(m_mpv, "vid", "auto");
    });
}

void MediaPlayer::updateBar()
{
    if (m_bar == nullptr)
        return;
    const bool running =
        m_state == State::Playing || m_state == State::Connecting || m_state == State::Reconnecting;
    m_playPause->setIcon(barIcon(running ? BarIcon::Pause : BarIcon::Play));
    m_muteButton->setIcon(barIcon(m_muted ? BarIcon::Muted : BarIcon::Sound));
    if (m_volumeSlider->value() != m_volume)
        m_volumeSlider->setValue(m_volume);
    const QString text = statusText();
    m_status->setToolTip(text);
    m_status->setText(text);
}

void MediaPlayer::contextMenuEvent(QContextMenuEvent* event)
{
    // No context menu unless the settings allow one.
    event->accept();
}

} // namespace kelvane
