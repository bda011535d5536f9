#include "windows/VideoWindow.h"

#include "player/SleepTimer.h"
#include "windows/Artwork.h"
#include "windows/Controls.h"
#include "windows/LayoutBuilder.h"
#include "windows/Recording.h"
#include "windows/RememberedState.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>

namespace kelvane {

namespace {

// Picture B's black panel, where the video and its notices appear.
const QRect kPictureArea(0, 48, 500, 300);
constexpr int kVolumeStep = 5;
constexpr int kNoteMs = 1500;

QLabel* overlay(QWidget* parent, int pixelSize)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    QFont font = designFont(QStringLiteral("宋体"), 12, true);
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->hide();
    return label;
}

} // namespace

VideoWindow::VideoWindow(FormRegistry& forms, const AppServices& services)
    : Form(QStringLiteral("frmTV"), forms), m_picture(storedPicture(windowLayout("frmTV").picture))
{
    LayoutBuilder ui(this, windowLayout(QStringLiteral("frmTV")), services);
    ui.applyWindowSettings();
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_normalSize = size();
    // 3 pixels wider than the window: cut off at the right. Hidden until the reveal.
    wmpt = ui.player(QStringLiteral("wmpt"));
    m_playerRect = wmpt->geometry();
    if (services.remembered != nullptr)
        services.remembered->keepVolumeOf(*wmpt);
    attachRecording(*wmpt, services, *this);
    Gg1 = ui.banner(QStringLiteral("Gg1"));
    ui.timer(Timer1, QStringLiteral("Timer1"));
    ui.applyTabOrder();
    connect(&Timer1, &Timer::timeout, this, &VideoWindow::Timer1_Timer);

    // Over the player: the reason a station stopped stays, a key's note fades.
    m_notice = overlay(this, 18);
    m_note = overlay(this, 14);
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, m_note, &QLabel::hide);
    connect(wmpt, &MediaPlayer::stateChanged, this, &VideoWindow::playerStateChanged);
    connect(wmpt, &MediaPlayer::videoMenuRequested, this, &VideoWindow::showMenu);
    // Every new try and wait reads differently without a change of state ("(2/10)", "(3/10)"...).
    connect(wmpt, &MediaPlayer::statusChanged, this, [this] { playerStateChanged(wmpt->state()); });
    // The keys reach the window whichever part of the player had the focus.
    setFocusPolicy(Qt::StrongFocus);
    layOut();
}

void VideoWindow::Timer1_Timer()
{
    Timer1.setEnabled(false);
    wmpt->setVisible(true);
    layOut();
}

void VideoWindow::playStation(const QString& name, const QString& url)
{
    wmpt->close();
    wmpt->setStationName(name);
    wmpt->setURL(url);
    // A running reveal keeps its count, as for a station from the list.
    Timer1.setEnabled(true);
}

QString VideoWindow::noticeText() const
{
    return m_notice->isVisible() ? m_notice->text() : QString();
}

QString VideoWindow::noteText() const
{
    return m_note->isVisible() ? m_note->text() : QString();
}

void VideoWindow::playerStateChanged(MediaPlayer::State state)
{
    using State = MediaPlayer::State;
    const bool says = state == State::Failed || state == State::Reconnecting ||
                      (state == State::Stopped && !wmpt->URL().isEmpty());
    m_notice->setText(says ? wmpt->statusText() : QString());
    m_notice->setVisible(says);
    if (says)
        m_notice->raise();
}

void VideoWindow::showNote(const QString& text)
{
    m_note->setText(text);
    m_note->adjustSize();
    m_note->resize(m_note->width() + 24, m_note->height() + 12);
    const QRect area = isFullScreen() ? rect() : kPictureArea;
    m_note->move(area.right() - m_note->width() - 12, area.top() + 12);
    m_note->show();
    m_note->raise();
    m_noteTimer.start(kNoteMs);
}

void VideoWindow::keyPressEvent(QKeyEvent* event)
{
    using State = MediaPlayer::State;
    switch (event->key()) {
    case Qt::Key_Space:
        if (wmpt->state() == State::Playing) {
            wmpt->pause();
            showNote(QStringLiteral("已暂停"));
        } else {
            wmpt->play();
            showNote(QStringLiteral("播放"));
        }
        break;
    case Qt::Key_M:
        wmpt->setMuted(!wmpt->isMuted());
        showNote(wmpt->isMuted() ? QStringLiteral("静音") : QStringLiteral("取消静音"));
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        wmpt->setVolume(wmpt->volume() + (event->key() == Qt::Key_Up ? kVolumeStep : -kVolumeStep));
        showNote(QStringLiteral("音量 %1").arg(wmpt->volume()));
        break;
    case Qt::Key_F:
        toggleFullScreen();
        break;
    case Qt::Key_Escape:
        if (isFullScreen())
            toggleFullScreen();
        break;
    default:
        Form::keyPressEvent(event);
        return;
    }
    event->accept();
}

void VideoWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        toggleFullScreen();
}

void VideoWindow::toggleFullScreen()
{
    if (isFullScreen()) {
        showNormal();
        setFixedSize(m_normalSize);
        // Back at its place with its frame: left alone, some window managers put the window's
        // client area at 0,0 and its title bar above the screen.
        restoreGeometry(m_normalGeometry);
    } else {
        m_normalGeometry = saveGeometry();
        // The window is fixed in size: let it grow first.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showFullScreen();
    }
    layOut();
}

void VideoWindow::contextMenuEvent(QContextMenuEvent* event)
{
    showMenu(event->globalPos());
    event->accept();
}

void VideoWindow::showMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    addSleepMenu(menu, *wmpt->sleepTimer(), this);
    menu.exec(globalPos);
}

void VideoWindow::resizeEvent(QResizeEvent* event)
{
    Form::resizeEvent(event);
    layOut();
}

void VideoWindow::changeEvent(QEvent* event)
{
    Form::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        layOut();
}

void VideoWindow::layOut()
{
    const bool full = isFullScreen();
    wmpt->setGeometry(full ? rect() : m_playerRect);
    m_notice->setGeometry(full ? rect() : kPictureArea.intersected(QRect(QPoint(), m_normalSize)));
    // In full screen the picture covers the banner; the notices stay above the picture.
    if (full)
        wmpt->raise();
    else
        wmpt->stackUnder(Gg1);
    m_notice->raise();
    m_note->raise();
    update();
}

void VideoWindow::Form_Unload()
{
    Timer1.setEnabled(false);
    m_noteTimer.stop();
    wmpt->shutdown();
}

void VideoWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    // Full screen before the reveal: the waiting picture in the middle.
    const QPoint at = isFullScreen() ? rect().center() - m_picture.rect().center() : QPoint();
    p.drawPixmap(at, m_picture);
}

} // namespace kelvane
