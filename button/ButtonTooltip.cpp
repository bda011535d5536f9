#include "button/ButtonTooltip.h"

#include "button/ButtonColors.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace kelvane {

namespace {

constexpr int kMargin = 5;
constexpr int kIconSize = 16;
constexpr int kTailHeight = 10; // the balloon's pointer towards the cursor
constexpr int kTailInset = 14;
constexpr int kCornerRadius = 6;

QStyle::StandardPixmap iconPixmap(int icon)
{
    switch (icon) {
    case ButtonTooltip::WarningIcon:
        return QStyle::SP_MessageBoxWarning;
    case ButtonTooltip::ErrorIcon:
        return QStyle::SP_MessageBoxCritical;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

bool drawsIcon(int icon)
{
    return icon >= ButtonTooltip::InformationIcon && icon <= ButtonTooltip::ErrorIcon;
}

} // namespace

ButtonTooltip::ButtonTooltip(QWidget* owner, bool balloon)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus),
      m_owner(owner), m_balloon(balloon)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setPalette(QGuiApplication::palette());
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    m_showTimer.setSingleShot(true);
    m_hideTimer.setSingleShot(true);
    const int wakeUp = style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, this);
    m_showTimer.setInterval(wakeUp > 0 ? wakeUp : 700);
    m_hideTimer.setInterval(10000);
    connect(&m_showTimer, &QTimer::timeout, this, &ButtonTooltip::popUp);
    connect(&m_hideTimer, &QTimer::timeout, this, &ButtonTooltip::dismiss);
    relayout();
}

void ButtonTooltip::setText(const QString& text)
{
    m_text = text;
    relayout();
}

void ButtonTooltip::setTitle(int icon, const QString& title)
{
    m_titleIcon = icon;
    m_title = title;
    m_hasTitle = true;
    relayout();
}

void ButtonTooltip::setTextColor(qint32 rgb)
{
    if (rgb < 0)
        return;
    QPalette colours = palette();
    colours.setColor(QPalette::ToolTipText, oleToQColor(static_cast<OleColor>(rgb)));
    setPalette(colours);
}

void ButtonTooltip::setBackgroundColor(qint32 rgb)
{
    if (rgb < 0)
        return;
    QPalette colours = palette();
    colours.setColor(QPalette::ToolTipBase, oleToQColor(static_cast<OleColor>(rgb)));
    setPalette(colours);
}

void ButtonTooltip::setDelays(int showAfterMs, int hideAfterMs)
{
    m_showTimer.setInterval(showAfterMs);
    m_hideTimer.setInterval(hideAfterMs);
}

void ButtonTooltip::ownerEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter:
        m_pointerInside = true;
        m_pointer = static_cast<QEnterEvent*>(event)->globalPosition().toPoint();
        if (!isVisible())
            m_showTimer.start();
        break;
    case QEvent::MouseMove:
        m_pointerInside = true;
        m_pointer = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (!isVisible())
            m_showTimer.start(); // the pointer has not rested yet
        break;
    case QEvent::Leave:
        m_pointerInside = false;
        dismiss();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        dismiss();
        break;
    default:
        break;
    }
}

void ButtonTooltip::popUp()
{
    if (!m_pointerInside || m_text.isEmpty() || !m_owner->isVisible())
        return;
    // Below the pointer; a balloon points its tail at it.
    QPoint topLeft = m_balloon ? m_pointer - QPoint(kTailInset + kTailHeight / 2, -2)
                               : m_pointer + QPoint(0, 20);
    if (const QScreen* screen = QGuiApplication::screenAt(m_pointer)) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(),
                                std::max(area.left(), area.right() - width() + 1)));
        topLeft.setY(std::clamp(topLeft.y(), area.top(),
                                std::max(area.top(), area.bottom() - height() + 1)));
    }
    move(topLeft);
    show();
    raise();
    m_hideTimer.start();
}

void ButtonTooltip::dismiss()
{
    m_showTimer.stop();
    m_hideTimer.stop();
    hide();
}

void ButtonTooltip::relayout()
{
    const QFontMetrics metrics(font());
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);

    int contentWidth = metrics.horizontalAdvance(m_text);
    int contentHeight = metrics.height();
    if (m_hasTitle) {
        const int iconWidth = drawsIcon(m_titleIcon) ? kIconSize + kMargin : 0;
        contentWidth = std::max(contentWidth, iconWidth + boldMetrics.horizontalAdvance(m_title));
        contentHeight += std::max(kIconSize, boldMetrics.height()) + kMargin;
    }
    const int top = m_balloon ? kTailHeight : 0;
    const int extra = m_balloon ? kCornerRadius : 0;
    resize(contentWidth + 2 * (kMargin + extra), contentHeight + 2 * kMargin + top);
    if (m_balloon)
        setMask(QRegion(outline().toFillPolygon().toPolygon()));
    else
        clearMask();
    update();
}

QPainterPath ButtonTooltip::outline() const
{
    QPainterPath path;
    if (!m_balloon) {
        path.addRect(QRectF(rect()));
        return path;
    }
    const QRectF body(0, kTailHeight, width(), height() - kTailHeight);
    path.addRoundedRect(body, kCornerRadius, kCornerRadius);
    QPainterPath tail;
    tail.moveTo(kTailInset, kTailHeight + 1);
    tail.lineTo(kTailInset + kTailHeight / 2.0, 0);
    tail.lineTo(kTailInset + kTailHeight, kTailHeight + 1);
    tail.closeSubpath();
    return path.united(tail);
}

void ButtonTooltip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor background = palette().color(QPalette::ToolTipBase);
    const QColor foreground = palette().color(QPalette::ToolTipText);
    painter.fillRect(rect(), background);
    painter.setPen(foreground);
    if (m_balloon)
        painter.drawPath(outline());
    else
        painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int extra = m_balloon ? kCornerRadius : 0;
    int x = kMargin + extra;
    int y = kMargin + (m_balloon ? kTailHeight : 0);
    if (m_hasTitle) {
        const int lineHeight = std::max(kIconSize, QFontMetrics(font()).height());
        if (drawsIcon(m_titleIcon)) {
            style()
                ->standardIcon(iconPixmap(m_titleIcon), nullptr, this)
                .paint(&painter, QRect(x, y, kIconSize, kIconSize));
            x += kIconSize + kMargin;
        }
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(QRect(x, y, width() - x, lineHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         m_title);
        painter.setFont(font());
        x = kMargin + extra;
        y += lineHeight + kMargin;
    }
    painter.drawText(QRect(x, y, width() - x, QFontMetrics(font()).height()),
                     Qt::AlignVCenter | Qt::AlignLeft, m_text);
}

} // namespace kelvane
