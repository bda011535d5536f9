#include "player/MediaPlayer.h"

#include "player/CompactBar.h"
#include "player/SleepTimer.h"
#include "player/VideoSurface.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QVBoxLayout>

namespace kelvane {

namespace {

constexpr qint64 kConnectingShownMs = 600;

EngineSettings engineSettings(const MediaPlayerSettings& s)
{
    EngineSettings e;
    e.video = s.uiMode != u"mini";
    e.autoStart = s.autoStart;
    e.volume = s.volume;
    e.stretchToFit = s.stretchToFit;
    e.extraOptions = s.extraOptions;
    return e;
}

} // namespace

MediaPlayer::MediaPlayer(const MediaPlayerSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings),
      m_engine(new PlayerEngine(engineSettings(settings), this))
{
    m_faceTimer.setSingleShot(true);
    connect(&m_faceTimer, &QTimer::timeout, this, &MediaPlayer::updateBar);
    setContextMenuPolicy(settings.enableContextMenu ? Qt::DefaultContextMenu : Qt::NoContextMenu);

    PlayerEngine* e = m_engine;
    connect(e, &PlayerEngine::stateChanged, this, &MediaPlayer::stateChanged);
    connect(e, &PlayerEngine::nowPlayingChanged, this, &MediaPlayer::nowPlayingChanged);
    connect(e, &PlayerEngine::volumeChanged, this, &MediaPlayer::volumeChanged);
    connect(e, &PlayerEngine::mutedChanged, this, &MediaPlayer::mutedChanged);
    connect(e, &PlayerEngine::stationNameChanged, this, &MediaPlayer::stationNameChanged);
    connect(e, &PlayerEngine::recordingChanged, this, &MediaPlayer::recordingChanged);
    connect(e, &PlayerEngine::recordingFailed, this, &MediaPlayer::recordingFailed);
    connect(e, &PlayerEngine::statusChanged, this, &MediaPlayer::statusChanged);
    connect(e, &PlayerEngine::started, this, [this] { m_tryClock.start(); });
    connect(e, &PlayerEngine::statusChanged, this, &MediaPlayer::updateBar);
    connect(e, &PlayerEngine::volumeChanged, this, &MediaPlayer::updateBar);
    connect(e, &PlayerEngine::mutedChanged, this, &MediaPlayer::updateBar);
    connect(e, &PlayerEngine::recordingChanged, this, [this](bool on) {
        if (on)
            m_recordClock.start();
    });
    m_sleep = new SleepTimer(e, settings.sleepClock, this);
    connect(m_sleep, &SleepTimer::changed, this, &MediaPlayer::updateBar);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (m_settings.uiMode == u"mini") {
        m_bar = new CompactBar(e->volume(), this);
        layout->addWidget(m_bar);
        connect(m_bar, &CompactBar::playPauseClicked, this, [e] {
            // The button offers pause while anything runs, trying included.
            const State s = e->state();
            if (s == State::Playing || s == State::Connecting || s == State::Reconnecting)
                e->pause();
            else
                e->play();
        });
        connect(m_bar, &CompactBar::stopClicked, e, &PlayerEngine::stop);
        connect(m_bar, &CompactBar::recordClicked, this, &MediaPlayer::recordRequested);
        connect(m_bar, &CompactBar::historyClicked, this, &MediaPlayer::historyRequested);
        connect(m_bar, &CompactBar::muteClicked, e, [e] { e->setMuted(!e->isMuted()); });
        connect(m_bar, &CompactBar::volumeChanged, e, &PlayerEngine::setVolume);
        connect(m_bar, &CompactBar::sleepRequested, this, [this](int minutes) {
            if (minutes > 0)
                m_sleep->start(minutes);
            else
                m_sleep->cancel();
        });
        connect(m_bar, &CompactBar::keepInViewToggled, this, &MediaPlayer::keepInViewToggled);
        connect(m_bar, &CompactBar::songNoticesToggled, this, &MediaPlayer::songNoticesToggled);
        connect(m_bar, &CompactBar::openRecordingsRequested, this,
                &MediaPlayer::openRecordingsRequested);
        connect(m_bar, &CompactBar::menuAboutToShow, this, &MediaPlayer::menuAboutToShow);
        updateBar();
    } else {
        m_video = new VideoSurface(e->session(), this);
        layout->addWidget(m_video);
        connect(m_video, &VideoSurface::ready, e, &PlayerEngine::enableVideo);
    }
}

MediaPlayer::~MediaPlayer()
{
    shutdown();
}

void MediaPlayer::shutdown()
{
    // A fade in progress gives the volume back first, so the next run starts at the listener's.
    m_sleep->cancel();
    // The surface's render context goes before the core it draws from.
    m_engine->shutdown();
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
    State shown = m_engine->state();
    if (shown == State::Failed && m_tryClock.isValid() &&
        m_tryClock.elapsed() < kConnectingShownMs) {
        shown = State::Connecting;
        m_faceTimer.start(static_cast<int>(kConnectingShownMs - m_tryClock.elapsed()));
    }
    face.running =
        shown == State::Playing || shown == State::Connecting || shown == State::Reconnecting;
    face.playing = shown == State::Playing;
    face.muted = m_engine->isMuted();
    face.volume = m_engine->volume();
    face.recording = m_engine->isRecording();
    face.sleeping = m_sleep->isRunning();

    // The state first: it is what the listener needs and it is never cut.
    QString words =
        shown == m_engine->state() ? m_engine->stateText() : QStringLiteral("正在连接…");
    QString title;
    if (shown == State::Playing || shown == State::Paused) {
        const qsizetype colon = words.indexOf(QStringLiteral(": "));
        if (colon >= 0) {
            title = words.mid(colon + 2);
            words.truncate(colon);
        }
    }
    face.state.append(words);
    if (face.recording) {
        const qint64 s = m_recordClock.isValid() ? m_recordClock.elapsed() / 1000 : 0;
        face.state.append(QStringLiteral("● 录音 %1:%2")
                              .arg(s / 60, 2, 10, QLatin1Char('0'))
                              .arg(s % 60, 2, 10, QLatin1Char('0')));
    } else if (const qsizetype saved = m_engine->statusText().indexOf(QStringLiteral("录音已保存"));
               saved >= 0) {
        face.state.append(m_engine->statusText().mid(saved));
    }
    if (face.muted)
        face.state.append(QStringLiteral("静音"));
    if (m_sleep->isRunning())
        face.state.append(m_sleep->text());
    // Then what plays: the station and the title.
    QStringList subject;
    if (!m_engine->stationName().isEmpty())
        subject.append(m_engine->stationName());
    if (!title.isEmpty() && title != m_engine->stationName())
        subject.append(title);
    face.subject = subject.join(QStringLiteral(" · "));
    m_bar->showFace(face);
}

void MediaPlayer::setKeepInView(bool on)
{
    if (m_bar != nullptr)
        m_bar->setKeepInView(on);
}

void MediaPlayer::setSongNotices(bool on)
{
    if (m_bar != nullptr)
        m_bar->setSongNotices(on);
}

QString MediaPlayer::barText() const
{
    return m_bar != nullptr ? m_bar->statusText() : QString();
}

void MediaPlayer::contextMenuEvent(QContextMenuEvent* event)
{
    // The compact bar opens its own menu; the video area's menu is its window's, asked for here
    // rather than by the event reaching the window behind.
    if (m_video != nullptr)
        Q_EMIT videoMenuRequested(event->globalPos());
    event->accept();
}

} // namespace kelvane
