#include "player/CompactBar.h"

#include "player/SleepTimer.h"
#include "player/StatusLine.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvane {

namespace {

constexpr int kBarHeight = 16;
constexpr int kVolumeStep = 5; // as the video window's Up and Down keys
const QColor kFocusMark(255, 230, 190);

// Stands in for the visualisation: quiet, no animation, so an idle or playing radio costs no CPU
// for drawing.
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

// The bar is dark and only 16 px high, and auto-raise buttons draw no focus under some
// styles: the controls draw their own light frame while they hold the focus.
void drawFocusMark(QWidget* widget)
{
    if (!widget->hasFocus())
        return;
    QPainter p(widget);
    p.setPen(QPen(kFocusMark, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(widget->rect().adjusted(0, 0, -1, -1));
}

class BarButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QToolButton::paintEvent(event);
        drawFocusMark(this);
    }
    // Space is the button's own; Enter presses it too, as on the station list.
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!event->isAutoRepeat())
                click();
            event->accept();
            return;
        }
        QToolButton::keyPressEvent(event);
    }
};

class BarSlider : public QSlider
{
public:
    using QSlider::QSlider;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QSlider::paintEvent(event);
        drawFocusMark(this);
    }
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

CompactBar::CompactBar(int volume, QWidget* parent) : QWidget(parent)
{
    // The bar sits at the top: in the radio window the station list covers the lower part of
    // the player, and the controls and the now-playing line must stay in view.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* bar = new QWidget(this);
    bar->setFixedHeight(kBarHeight);
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, QColor(32, 32, 40));
    pal.setColor(QPalette::WindowText, QColor(255, 200, 120));
    bar->setPalette(pal);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(1, 0, 2, 0);
    row->setSpacing(1);
    auto makeButton = [bar, row](BarIcon icon, const QString& tip) {
        auto* b = new BarButton(bar);
        b->setIcon(barIcon(icon));
        b->setIconSize(QSize(10, 10));
        b->setFixedSize(kBarHeight, kBarHeight);
        b->setAutoRaise(true);
        b->setToolTip(tip);
        // Tab reaches it, a click does not take the focus from the station list.
        b->setFocusPolicy(Qt::TabFocus);
        row->addWidget(b);
        return b;
    };
    m_playPause = makeButton(BarIcon::Play, QStringLiteral("播放/暂停"));
    m_stop = makeButton(BarIcon::Stop, QStringLiteral("停止"));
    m_mute = makeButton(BarIcon::Sound, QStringLiteral("静音"));
    m_volume = new BarSlider(Qt::Horizontal, bar);
    m_volume->setRange(0, 100);
    // Keys, wheel notches and page keys alike move the volume by one step.
    m_volume->setSingleStep(kVolumeStep);
    m_volume->setPageStep(kVolumeStep);
    m_volume->setValue(volume);
    m_volume->setFixedWidth(46);
    m_volume->setFixedHeight(kBarHeight);
    m_volume->setToolTip(QStringLiteral("音量"));
    m_volume->setFocusPolicy(Qt::TabFocus);
    row->addWidget(m_volume);
    m_status = new StatusLine(bar);
    QFont small = m_status->font();
    small.setPixelSize(11);
    m_status->setFont(small);
    row->addWidget(m_status, 1);
    outer->addWidget(bar);
    m_visual = new VisualArea(this);
    outer->addWidget(m_visual, 1);

    connect(m_playPause, &QToolButton::clicked, this, &CompactBar::playPauseClicked);
    connect(m_stop, &QToolButton::clicked, this, &CompactBar::stopClicked);
    connect(m_mute, &QToolButton::clicked, this, &CompactBar::muteClicked);
    connect(m_volume, &QSlider::valueChanged, this, &CompactBar::volumeChanged);
}

void CompactBar::showFace(const Face& face)
{
    m_playPause->setIcon(barIcon(face.running ? BarIcon::Pause : BarIcon::Play));
    m_mute->setIcon(barIcon(face.muted ? BarIcon::Muted : BarIcon::Sound));
    if (m_volume->value() != face.volume)
        m_volume->setValue(face.volume);
    static_cast<VisualArea*>(m_visual)->setPlaying(face.playing);
    m_recording = face.recording;
    m_sleeping = face.sleeping;
    m_status->setLine(face.state, face.subject);
}

void CompactBar::setKeepInView(bool on)
{
    m_keepInView = on;
}

void CompactBar::setSongNotices(bool on)
{
    m_songNotices = on;
}

void CompactBar::addDesktopEntries(QMenu& menu)
{
    addSleepMenu(menu, m_sleeping, this, [this](int minutes) { Q_EMIT sleepRequested(minutes); });
    QAction* keep = menu.addAction(QStringLiteral("固定显示"));
    keep->setCheckable(true);
    keep->setChecked(m_keepInView);
    connect(keep, &QAction::toggled, this, &CompactBar::keepInViewToggled);
    QAction* notices = menu.addAction(QStringLiteral("歌曲通知"));
    notices->setCheckable(true);
    notices->setChecked(m_songNotices);
    connect(notices, &QAction::toggled, this, &CompactBar::songNoticesToggled);
    menu.addAction(QStringLiteral("打开录音文件夹"), this, &CompactBar::openRecordingsRequested);
}

void CompactBar::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(m_recording ? QStringLiteral("停止录音") : QStringLiteral("录音"), this,
                   &CompactBar::recordClicked);
    menu.addAction(QStringLiteral("最近播放"), this, &CompactBar::historyClicked);
    menu.addSeparator();
    addDesktopEntries(menu);
    Q_EMIT menuAboutToShow(&menu);
    menu.exec(event->globalPos());
    event->accept();
}

QString CompactBar::statusText() const
{
    return m_status->text();
}

QList<QWidget*> CompactBar::tabStops() const
{
    return {m_playPause, m_stop, m_mute, m_volume};
}

} // namespace kelvane
