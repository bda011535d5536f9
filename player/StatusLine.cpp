#include "player/StatusLine.h"

#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace kelvane {

namespace {
const QColor kRecordDot(230, 40, 40);
const QString kDot = QStringLiteral("●");
// The sleep timer's mark. Few fonts have it: it is drawn, in the room of the dot.
const QString kMoon = QStringLiteral("⏾");
} // namespace

StatusLine::StatusLine(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_scroll.setSingleShot(true);
    connect(&m_scroll, &QTimer::timeout, this, &StatusLine::step);
}

void StatusLine::setLine(const QStringList& state, const QString& subject)
{
    const bool newSubject = subject != m_subject;
    const bool newState = state != m_state;
    if (!newSubject && !newState)
        return;
    m_state = state;
    m_subject = subject;
    setToolTip(text());
    if (newState)
        updateGeometry();
    // A new text starts at its beginning; the recording's seconds ticking leave it where it is.
    if (newSubject) {
        restartScroll();
    } else {
        // A longer state may leave the subject no longer fitting.
        m_offset = std::min(m_offset, scrollRange());
        if (!m_scroll.isActive() && isVisible() && scrollRange() > 0)
            m_scroll.start(kRestMs);
    }
    update();
}

QString StatusLine::stateText() const
{
    return m_state.join(kSeparator);
}

QString StatusLine::subjectText() const
{
    return m_state.isEmpty() || m_subject.isEmpty() ? m_subject : kSeparator + m_subject;
}

int StatusLine::advance(const QString& text) const
{
    QString measured = text;
    return fontMetrics().horizontalAdvance(measured.replace(kMoon, kDot));
}

QString StatusLine::text() const
{
    return stateText() + subjectText();
}

int StatusLine::stateWidth() const
{
    return advance(stateText());
}

bool StatusLine::stateFits() const
{
    return stateWidth() <= contentsRect().width();
}

int StatusLine::scrollRange() const
{
    // A state too long for the line (a long reason with the recording, mute and the timer) is
    // not cut either: then the whole line scrolls, starting with the state.
    if (!stateFits())
        return advance(text()) - contentsRect().width();
    const int room = contentsRect().width() - stateWidth();
    return std::max(0, advance(subjectText()) - room);
}

QSize StatusLine::sizeHint() const
{
    return {advance(text()), fontMetrics().height()};
}

QSize StatusLine::minimumSizeHint() const
{
    // The state is never cut: the layout gives it its width before anything else.
    return {stateWidth(), fontMetrics().height()};
}

void StatusLine::restartScroll()
{
    m_offset = 0;
    m_direction = 1;
    m_scroll.stop();
    if (isVisible() && scrollRange() > 0)
        m_scroll.start(kRestMs);
}

void StatusLine::step()
{
    // Docked, the line is off the screen: it waits there rather than move unseen.
    if (const QScreen* where = screen();
        where != nullptr && !where->geometry().contains(QRect(mapToGlobal(QPoint()), size()))) {
        m_scroll.start(kRestMs);
        return;
    }
    const int range = scrollRange();
    if (range == 0) {
        m_offset = 0;
        update();
        return;
    }
    m_offset = std::clamp(m_offset + m_direction, 0, range);
    const bool atEnd = m_offset == 0 || m_offset == range;
    if (atEnd)
        m_direction = -m_direction;
    m_scroll.start(atEnd ? kRestMs : kStepMs);
    update();
}

void StatusLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = contentsRect();
    const QColor pen = palette().color(QPalette::WindowText);
    const bool fits = stateFits();
    int x = r.left() - (fits ? 0 : m_offset);
    auto draw = [&](const QString& text, const QColor& colour) {
        const int w = advance(text);
        p.setPen(colour);
        p.drawText(QRect(x, r.top(), w + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft, text);
        x += w;
    };
    p.setClipRect(r);
    for (int i = 0; i < m_state.size(); ++i) {
        if (i > 0)
            draw(kSeparator, pen);
        if (m_state[i].startsWith(kMoon)) {
            const int w = advance(kMoon);
            const qreal d = std::min(w, fontMetrics().ascent()) * 0.8;
            const QPointF c(x + w / 2.0, r.center().y() + 0.5);
            QPainterPath moon;
            moon.addEllipse(c, d / 2, d / 2);
            QPainterPath bite;
            bite.addEllipse(c + QPointF(d * 0.3, -d * 0.2), d / 2, d / 2);
            p.setRenderHint(QPainter::Antialiasing);
            p.fillPath(moon.subtracted(bite), pen);
            p.setRenderHint(QPainter::Antialiasing, false);
            x += w;
            draw(m_state[i].mid(kMoon.size()), pen);
        } else if (m_state[i].startsWith(kDot)) {
            draw(kDot, kRecordDot);
            draw(m_state[i].mid(kDot.size()), pen);
        } else {
            draw(m_state[i], pen);
        }
    }
    if (fits) {
        // Only the subject scrolls, under the state.
        p.setClipRect(QRect(x, r.top(), std::max(0, r.right() - x + 1), r.height()));
        x -= m_offset;
    }
    draw(subjectText(), pen);
}

void StatusLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    restartScroll();
}

void StatusLine::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    restartScroll();
}

void StatusLine::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_scroll.stop(); // a docked or hidden bar costs nothing
}

} // namespace kelvane
