#include "chrome/QuandleXPTaskBar.h"

#include "platform/Twips.h"

#include <QImage>
#include <QPainter>
#include <QResizeEvent>

using namespace Qt::StringLiterals;

namespace kelvane {

namespace {

const QString kAlignmentKey = u"Alignment"_s;
// An entry missing from a stored layout docks at the left edge, not where a new control would.
constexpr qint32 kAlignmentReadDefault = 0;

} // namespace

QuandleXPTaskBar::QuandleXPTaskBar(QWidget* host)
    : QuandleXPTaskBar(host, nullptr, std::make_unique<QtDockPlatform>())
{}

QuandleXPTaskBar::QuandleXPTaskBar(QWidget* host, DockPlatform& platform)
    : QuandleXPTaskBar(host, &platform, nullptr)
{}

QuandleXPTaskBar::QuandleXPTaskBar(QWidget* host, DockPlatform* platform,
                                   std::unique_ptr<DockPlatform> ownedPlatform)
    : QWidget(host), tmrExpand(new Timer(kSlideIntervalMs, false, this)),
      // Enabled but silent until the first docking gives it its interval.
      tmrCheckMouseOver(new Timer(0, true, this)), m_ownedPlatform(std::move(ownedPlatform)),
      m_platform(platform != nullptr ? *platform : *m_ownedPlatform),
      m_host(host != nullptr ? host->window() : nullptr)
{
    Q_ASSERT(host != nullptr);
    setObjectName(u"QuandleXPTaskBar"_s);
    // Invisible at run time: it takes no room and no clicks in its host.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    connect(tmrExpand, &Timer::timeout, this, &QuandleXPTaskBar::tmrExpand_Timer);
    connect(tmrCheckMouseOver, &Timer::timeout, this, &QuandleXPTaskBar::tmrCheckMouseOver_Timer);
    UserControl_Initialize();
    UserControl_Resize();
}

QuandleXPTaskBar::~QuandleXPTaskBar() = default;

void QuandleXPTaskBar::UserControl_Initialize()
{
    m_alignment = kInitialAlignment;
}

void QuandleXPTaskBar::UserControl_InitProperties()
{
    if (m_host)
        m_platform.makeBorderless(*m_host);
}

void QuandleXPTaskBar::UserControl_ReadProperties(const PropertyBag& bag)
{
    m_alignment = bag.readInt(kAlignmentKey, kAlignmentReadDefault);
    if (!m_host)
        return;
    PositionHost(*m_host);
    MakeTopmost(*m_host);
}

void QuandleXPTaskBar::UserControl_WriteProperties(PropertyBag& bag) const
{
    bag.writeInt(kAlignmentKey, m_alignment);
}

void QuandleXPTaskBar::UserControl_Resize()
{
    const int side = twipsToPixelsRounded(kSizeTwips);
    if (size() != QSize(side, side) || minimumSize() != maximumSize())
        setFixedSize(side, side);
}

void QuandleXPTaskBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

float QuandleXPTaskBar::Width() const
{
    return pixelsToTwips(static_cast<float>(width()));
}

float QuandleXPTaskBar::Height() const
{
    return pixelsToTwips(static_cast<float>(height()));
}

void QuandleXPTaskBar::setAlignment(qint32 alignment)
{
    m_alignment = alignment;
    Q_EMIT PropertyChanged(kAlignmentKey);
    if (m_host)
        PositionHost(*m_host);
}

void QuandleXPTaskBar::PositionHost(QWidget& host)
{
    m_workLeft = m_workTop = m_workRight = m_workBottom = 0;
    if (const std::optional<PixelRect> area = m_platform.workArea()) {
        m_workRight = pixelsToTwips(static_cast<float>(area->right));
        m_workBottom = pixelsToTwips(static_cast<float>(area->bottom));
        m_workLeft = pixelsToTwips(static_cast<float>(area->left));
        m_workTop = pixelsToTwips(static_cast<float>(area->top));
    } else {
        const QSize screen = m_platform.screenSize();
        m_workRight = pixelsToTwips(static_cast<float>(screen.width()));
        m_workBottom = pixelsToTwips(static_cast<float>(screen.height()));
    }

    if (const std::optional<QPointF> at = restingPlace(hostBox(host), false))
        moveHost(host, float(at->x()), float(at->y()));

    tmrCheckMouseOver->setEnabled(true);
    tmrCheckMouseOver->setInterval(kPollIntervalMs);
}

void QuandleXPTaskBar::showInView(int holdMs)
{
    m_hold = holdMs > 0 ? QDeadlineTimer(holdMs) : QDeadlineTimer();
    if (!m_host)
        return;
    const std::optional<QPointF> at = restingPlace(hostBox(*m_host), true);
    if (!at)
        return;
    moveHost(*m_host, float(at->x()), float(at->y()));
    // As if the pointer had brought it in: the poll slides it away once the pointer is elsewhere.
    m_mouseOver = true;
    tmrExpand->setEnabled(false);
}

void QuandleXPTaskBar::setPinned(bool pinned)
{
    if (m_pinned == pinned)
        return;
    m_pinned = pinned;
    // Slides in at once; unpinned, the next poll slides it away unless the pointer is over it.
    if (pinned && !m_mouseOver) {
        m_mouseOver = true;
        tmrExpand->setEnabled(true);
    }
}

std::optional<QPointF> QuandleXPTaskBar::restingPlace(const HostBox& box, bool shown) const
{
    const float middleTop = (m_workTop + m_workBottom - box.height) / 2;
    const float top = shown ? m_workTop : m_workTop - box.height + kStripTwips;
    switch (m_alignment) {
    case 0:
        return QPointF(shown ? m_workLeft : m_workLeft - box.width + kStripTwips, middleTop);
    case 1:
        return QPointF(shown ? m_workRight - box.width : m_workRight - kStripTwips, middleTop);
    case 2:
        return QPointF(m_workLeft, top);
    case 3:
        return QPointF((m_workLeft + m_workRight - box.width) / 2, top);
    case 4:
        return QPointF(m_workRight - box.width, top);
    default:
        return std::nullopt;
    }
}

void QuandleXPTaskBar::MakeTopmost(QWidget& host)
{
    m_platform.makeTopmost(host);
}

void QuandleXPTaskBar::tmrCheckMouseOver_Timer()
{
    if (!m_host)
        return;
    const QPoint pointer = m_platform.cursorPos();
    const PixelRect r = m_platform.windowRect(*m_host);
    // Inclusive on every side: the column just right of the window and the row just below it
    // count as over it.
    // A box the window opened holds it in view: the pointer is then on the box.
    const bool over = r.left <= pointer.x() && pointer.x() <= r.right && r.top <= pointer.y() &&
                      pointer.y() <= r.bottom;
    if (over)
        m_hold = QDeadlineTimer(); // visited: from now on it follows the pointer
    const bool inside =
        over || m_pinned || !m_hold.hasExpired() || m_platform.hasOpenDialog(*m_host);
    if (inside != m_mouseOver) {
        m_mouseOver = inside;
        tmrExpand->setEnabled(true);
    }
}

void QuandleXPTaskBar::tmrExpand_Timer()
{
    if (!m_host)
        return;
    QWidget& host = *m_host;
    MakeTopmost(host);

    // The shown place and the hidden bound follow the work area's edges, not the screen's: a
    // panel along the top or left edge would otherwise cover the strip, and the pointer could
    // never bring the window back.
    const HostBox box = hostBox(host);
    bool stop = false;
    float left = box.left;
    float top = box.top;
    switch (m_alignment) {
    case 0:
        if (m_mouseOver) {
            left = box.left + kSlideStepTwips;
            if (left > m_workLeft) {
                left = m_workLeft;
                stop = true;
            }
        } else {
            left = box.left - kSlideStepTwips;
            if (left < m_workLeft + kStripTwips - box.width) {
                left = m_workLeft + kStripTwips - box.width;
                stop = true;
            }
        }
        break;
    case 1:
        if (m_mouseOver) {
            left = box.left - kSlideStepTwips;
            if (left + box.width < m_workRight) {
                left = m_workRight - box.width;
                stop = true;
            }
        } else {
            left = box.left + kSlideStepTwips;
            if (left > m_workRight - kStripTwips) {
                left = m_workRight - kStripTwips;
                stop = true;
            }
        }
        break;
    case 2:
    case 3:
    case 4:
        if (m_mouseOver) {
            top = box.top + kSlideStepTwips;
            if (top > m_workTop) {
                top = m_workTop;
                stop = true;
            }
        } else {
            top = box.top - kSlideStepTwips;
            if (top < m_workTop + kStripTwips - box.height) {
                top = m_workTop + kStripTwips - box.height;
                stop = true;
            }
        }
        break;
    default:
        // No edge to slide along: the step only keeps the window on top.
        return;
    }
    if (stop)
        tmrExpand->setEnabled(false);
    moveHost(host, left, top);
}

QuandleXPTaskBar::HostBox QuandleXPTaskBar::hostBox(const QWidget& host) const
{
    const PixelRect r = m_platform.windowRect(host);
    return {pixelsToTwips(static_cast<float>(r.left)), pixelsToTwips(static_cast<float>(r.top)),
            pixelsToTwips(static_cast<float>(r.width())),
            pixelsToTwips(static_cast<float>(r.height()))};
}

void QuandleXPTaskBar::moveHost(QWidget& host, float left, float top)
{
    m_platform.moveWindow(host, QPoint(twipsToPixelsRounded(left), twipsToPixelsRounded(top)));
}

QPixmap QuandleXPTaskBar::designFace()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    // The screen's top edge with a window hanging from it, and the arrow of its slide.
    p.fillRect(0, 0, 32, 3, QColor(0, 0, 128));
    p.fillRect(6, 3, 20, 12, QColor(255, 128, 0));
    p.setPen(QColor(128, 64, 0));
    p.drawRect(6, 3, 19, 11);
    p.fillRect(8, 5, 16, 3, QColor(255, 255, 255));
    const QPolygon arrow({QPoint(10, 19), QPoint(22, 19), QPoint(16, 28)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawPolygon(arrow);
    p.end();
    // 256 colours, as the control's stored picture.
    return QPixmap::fromImage(image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither));
}

} // namespace kelvane
