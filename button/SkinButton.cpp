#include "button/SkinButton.h"

#include "button/ButtonColors.h"
#include "button/ButtonFaces.h"
#include "platform/Twips.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace kelvane {

namespace {

// Text-drawing flags of the caption layout.
constexpr int kTextCenter = 1;
constexpr int kTextRight = 2;
constexpr int kTextVCenter = 4;
constexpr int kTextBottom = 8;
constexpr int kTextWordBreak = 16;
constexpr int kTextSingleLine = 32;

constexpr int kKeySpace = 32;
constexpr int kMinimumSizeTwips = 300;

// Mouse buttons as the handlers number them: 1 left, 2 right, 4 middle.
int buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

Qt::Alignment alignmentOf(int format)
{
    Qt::Alignment alignment = (format & kTextCenter)  ? Qt::AlignHCenter
                              : (format & kTextRight) ? Qt::AlignRight
                                                      : Qt::AlignLeft;
    if (format & kTextSingleLine) {
        alignment |= (format & kTextVCenter)  ? Qt::AlignVCenter
                     : (format & kTextBottom) ? Qt::AlignBottom
                                              : Qt::AlignTop;
    } else {
        alignment |= Qt::AlignTop;
    }
    return alignment;
}

// The control's own credit panel; as a detached window it hides again on a click.
class AboutPanel final : public QWidget
{
public:
    explicit AboutPanel(QWidget* parent) : QWidget(parent)
    {
        setFixedSize(260, 96);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient shade(0, 0, 0, height());
        shade.setColorAt(0, QColor(255, 244, 229));
        shade.setColorAt(1, QColor(255, 196, 128));
        painter.fillRect(rect(), shade);
        painter.setPen(QColor(192, 64, 0));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        QFont heading = font();
        heading.setBold(true);
        heading.setPointSizeF(heading.pointSizeF() * 1.3);
        painter.setFont(heading);
        painter.drawText(QRect(12, 10, width() - 24, 30), Qt::AlignLeft | Qt::AlignVCenter,
                         u"SkinButton 3.0"_s);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(12, 42, width() - 24, 44), Qt::AlignLeft | Qt::TextWordWrap,
                         u"The skinned command button of Kelvane: eleven looks, hover, "
                         u"toggle and a tooltip of its own."_s);
    }
    void mousePressEvent(QMouseEvent*) override { hide(); }
};

} // namespace

// Focus that leaves for another window or a popup and comes back is the same focus: a
// keyboard-given mark returns with it.
static bool keepsFocusMark(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

static StyleButtonTheme& applicationTheme()
{
    static StyleButtonTheme theme;
    return theme;
}

SkinButton::SkinButton(Shell& shell, QWidget* parent)
    : SkinButton(shell, applicationTheme(), parent)
{}

SkinButton::SkinButton(Shell& shell, ButtonTheme& theme, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_theme(theme),
      m_surfaceColor(systemColorReference(kColorButtonFace)), m_About(new AboutPanel(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The design font until a stored or new-control font replaces it.
    m_font = StoredFont{u"Verdana"_s, 8.25, 400, 0};
    applyDrawingFont();
    m_aboutWindowFlags = m_About->windowFlags();
}

SkinButton::~SkinButton()
{
    UserControl_Terminate();
}

// --- Properties ---

QString SkinButton::Version() const
{
    return u"3.0"_s;
}

void SkinButton::setStyle(qint32 style)
{
    m_style = style;
    Q_EMIT PropertyChanged(u"Style"_s);
    UserControl_Resize();
}

void SkinButton::setCaption(const QString& caption)
{
    m_caption = caption;
    Q_EMIT PropertyChanged(u"Caption"_s);
    UserControl_Resize();
}

void SkinButton::setIcon(const QImage& icon)
{
    m_icon = icon;
    Q_EMIT PropertyChanged(u"Icon"_s);
    UserControl_Resize();
}

void SkinButton::setIconAlign(qint32 align)
{
    m_iconAlign = align;
    Q_EMIT PropertyChanged(u"IconAlign"_s);
    UserControl_Resize();
}

void SkinButton::setIconSize(qint16 size)
{
    m_iconSize = size;
    Q_EMIT PropertyChanged(u"IconSize"_s);
    UserControl_Resize();
}

void SkinButton::setCaptionAlign(qint32 align)
{
    m_captionAlign = align;
    Q_EMIT PropertyChanged(u"CaptionAlign"_s);
    UserControl_Resize();
}

void SkinButton::setNonThemeStyle(qint32 style)
{
    m_nonThemeStyle = style;
    Q_EMIT PropertyChanged(u"NonThemeStyle"_s);
    UserControl_Resize();
}

void SkinButton::setEnabled(bool enabled)
{
    m_buttonState = Normal;
    m_enabled = enabled;
    Refresh();
    Q_EMIT PropertyChanged(u"Enabled"_s);
    // Last, so that a disabled button receives no mouse or keyboard input at all.
    QWidget::setEnabled(enabled);
}

void SkinButton::setShowFocus(bool show)
{
    m_showFocus = show;
    Q_EMIT PropertyChanged(u"ShowFocus"_s);
    Refresh();
}

void SkinButton::setUseCustomColors(bool use)
{
    m_useCustomColors = use;
    Q_EMIT PropertyChanged(u"UseCustomColors"_s);
    Refresh();
}

void SkinButton::setBackColor(OleColor colour)
{
    m_backColor = colour;
    Q_EMIT PropertyChanged(u"BackColor"_s);
    Refresh();
}

void SkinButton::setHighlightColor(OleColor colour)
{
    m_highlightColor = colour;
    Q_EMIT PropertyChanged(u"HighlightColor"_s);
    Refresh();
}

void SkinButton::setFontColor(OleColor colour)
{
    m_fontColor = colour;
    Q_EMIT PropertyChanged(u"FontColor"_s);
    Refresh();
}

void SkinButton::setFontHighlightColor(OleColor colour)
{
    m_fontHighlightColor = colour;
    Q_EMIT PropertyChanged(u"FontHighlightColor"_s);
    Refresh();
}

void SkinButton::setToolTip(const QString& text)
{
    m_toolTip = text;
    Q_EMIT PropertyChanged(u"ToolTipText"_s);
    Refresh();
}

void SkinButton::setToolTipTitle(const QString& title)
{
    m_toolTipTitle = title;
    Q_EMIT PropertyChanged(u"TooltipTitle"_s);
    Refresh();
}

void SkinButton::setToolTipIcon(qint32 icon)
{
    m_toolTipIcon = icon;
    Q_EMIT PropertyChanged(u"TooltipIcon"_s);
    Refresh();
}

void SkinButton::setToolTipType(qint32 type)
{
    m_toolTipType = type;
    Q_EMIT PropertyChanged(u"ToolTipType"_s);
    Refresh();
}

void SkinButton::setToolTipBackColor(OleColor colour)
{
    m_toolTipBackColor = colour;
    Q_EMIT PropertyChanged(u"ToolTipBackColor"_s);
    Refresh();
}

void SkinButton::setToolTipForeColor(OleColor colour)
{
    m_toolTipForeColor = colour;
    Q_EMIT PropertyChanged(u"ToolTipForeColor"_s);
    Refresh();
}

void SkinButton::setFont(const StoredFont& font)
{
    m_font = font;
    applyDrawingFont();
    Refresh();
    Q_EMIT PropertyChanged(u"Font"_s);
}

void SkinButton::setButtonType(qint32 type)
{
    m_buttonType = type;
    Q_EMIT PropertyChanged(u"ButtonType"_s);
    Refresh();
}

void SkinButton::setValue(bool value)
{
    m_value = value;
    Q_EMIT PropertyChanged(u"Value"_s);
    Refresh();
}

qint32 SkinButton::OpenLink(const QString& link)
{
    // Only web pages: any other text handed to the desktop could start a local program.
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    if (!isWebUrl(url))
        return kOpenLinkFailed;
    return m_shell.openUrl(url) ? kOpenLinkOpened : kOpenLinkFailed;
}

void SkinButton::About()
{
    m_About->setParent(this, m_aboutWindowFlags | Qt::Window | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    m_About->setWindowTitle(u"About SkinButton "_s + Version());
    m_About->show();
    m_About->raise();
}

// --- Bag ---

void SkinButton::UserControl_InitProperties()
{
    m_style = 0;
    m_caption = objectName();
    m_iconSize = 16;
    m_icon = QImage();
    m_showFocus = false;
    m_useCustomColors = false;
    m_enabled = true;
    m_backColor = static_cast<OleColor>(SystemColorRGB(kColorButtonFace));
    m_highlightColor = static_cast<OleColor>(SystemColorRGB(kColorHighlight));
    m_fontColor = static_cast<OleColor>(SystemColorRGB(kColorButtonText));
    m_fontHighlightColor = static_cast<OleColor>(SystemColorRGB(kColorButtonText));
    m_captionAlign = 0;
    m_iconAlign = 0;
    m_nonThemeStyle = 0;
    m_toolTip.clear();
    m_toolTipTitle.clear();
    m_toolTipIcon = 0;
    m_toolTipType = 0;
    m_toolTipBackColor = 0;
    m_toolTipForeColor = 0;
    m_buttonType = 0;
    m_value = false;
    m_font = StoredFont{u"Verdana"_s, 8.25, 400, 0};
    applyDrawingFont();
    QWidget::setEnabled(true);
    m_aboutWindowFlags = m_About->windowFlags();
}

void SkinButton::UserControl_ReadProperties(const PropertyBag& bag)
{
    auto systemRgb = [](int index) { return static_cast<OleColor>(SystemColorRGB(index)); };
    m_buttonState = Normal;
    m_icon = bag.readPicture(u"Icon"_s).toImage();
    m_style = bag.readInt(u"Style"_s, 3);
    m_caption = bag.readText(u"Caption"_s, u"SkinButton"_s);
    const qint32 iconSize = bag.readInt(u"IconSize"_s, 16);
    // A stored size beyond 16 bits would overflow the property: keep the default instead.
    m_iconSize = iconSize < std::numeric_limits<qint16>::min() ||
                         iconSize > std::numeric_limits<qint16>::max()
                     ? qint16(16)
                     : static_cast<qint16>(iconSize);
    m_captionAlign = bag.readInt(u"CaptionAlign"_s, 0);
    m_iconAlign = bag.readInt(u"IconAlign"_s, 1);
    m_nonThemeStyle = bag.readInt(u"iNonThemeStyle"_s, 5);
    m_enabled = bag.readBool(u"Enabled"_s, true);
    m_showFocus = bag.readBool(u"ShowFocus"_s, false);
    m_useCustomColors = bag.readBool(u"USeCustomColors"_s, false);
    m_backColor = bag.readColour(u"BackColor"_s, systemRgb(kColorButtonFace));
    m_highlightColor = bag.readColour(u"HighlightColor"_s, systemRgb(kColorHighlight));
    m_fontColor = bag.readColour(u"FontColor"_s, systemRgb(kColorButtonText));
    m_fontHighlightColor = bag.readColour(u"FontHighlightColor"_s, systemRgb(kColorButtonText));
    m_toolTip = bag.readText(u"ToolTipText"_s, hostToolTip());
    m_toolTipTitle = bag.readText(u"Tooltiptitle"_s, QString());
    m_toolTipIcon = bag.readInt(u"ToolTipIcon"_s, 0);
    m_toolTipType = bag.readInt(u"ToolTipType"_s, 1);
    // The tooltip colour defaults are crossed: background from the text colour and back.
    m_toolTipBackColor = bag.readColour(u"ttBackColor"_s, systemRgb(kColorInfoText));
    m_toolTipForeColor = bag.readColour(u"ttForeColor"_s, systemRgb(kColorInfoBackground));
    m_font = bag.readFont(u"Font"_s, m_font);
    applyDrawingFont();
    m_buttonType = bag.readInt(u"ButtonType"_s, 0);
    m_value = bag.readBool(u"Value"_s, false);
    // A button stored disabled must not take input either.
    QWidget::setEnabled(m_enabled);

    if (m_userMode) {
        // Qt always tells a widget that the pointer left it, so hover tracking always works.
        m_trackMouseAvailable = true;
        m_useUser32Track = true;
        SubclassWindow(this);
    }
}

void SkinButton::UserControl_WriteProperties(PropertyBag& bag) const
{
    auto systemRgb = [](int index) { return static_cast<OleColor>(SystemColorRGB(index)); };
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(m_icon));
    bag.writeInt(u"Style"_s, m_style, 3);
    bag.writeText(u"Caption"_s, m_caption, QString());
    bag.writeInt(u"IconSize"_s, m_iconSize, 16);
    bag.writeInt(u"IconAlign"_s, m_iconAlign, 0);
    bag.writeInt(u"CaptionAlign"_s, m_captionAlign, 0);
    bag.writeInt(u"iNonThemeStyle"_s, m_nonThemeStyle, 5);
    bag.writeBool(u"Enabled"_s, m_enabled, true);
    bag.writeBool(u"ShowFocus"_s, m_showFocus, false);
    bag.writeBool(u"USeCustomColors"_s, m_useCustomColors, false);
    bag.writeColour(u"BackColor"_s, m_backColor, systemRgb(kColorButtonFace));
    bag.writeColour(u"HighlightColor"_s, m_highlightColor, systemRgb(kColorHighlight));
    bag.writeColour(u"FontColor"_s, m_fontColor, systemRgb(kColorButtonText));
    bag.writeColour(u"FontHighlightColor"_s, m_fontHighlightColor, systemRgb(kColorButtonText));
    bag.writeText(u"ToolTipText"_s, m_toolTip, hostToolTip());
    bag.writeText(u"Tooltiptitle"_s, m_toolTipTitle);
    bag.writeInt(u"ToolTipIcon"_s, m_toolTipIcon);
    bag.writeInt(u"ToolTipType"_s, m_toolTipType);
    bag.writeColour(u"ttBackColor"_s, m_toolTipBackColor, systemRgb(kColorInfoText));
    bag.writeColour(u"ttForeColor"_s, m_toolTipForeColor, systemRgb(kColorInfoBackground));
    bag.writeFont(u"Font"_s, m_font);
    bag.writeInt(u"ButtonType"_s, m_buttonType, 0);
    bag.writeBool(u"Value"_s, m_value, false);
}

// --- Layout and repaint ---

void SkinButton::UserControl_Resize()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    const int minimum = twipsToPixelsRounded(kMinimumSizeTwips);
    if (width() < minimum || height() < minimum)
        resize(std::max(width(), minimum), std::max(height(), minimum));
    m_clientRect = QRect(0, 0, width(), height());
    m_contentRect = QRect(QPoint(4, 4), QPoint(width() - 4, height() - 4));
    switch (m_captionAlign) {
    case 0:
        m_captionFormat = kTextSingleLine | kTextVCenter | kTextCenter;
        break;
    case 1:
        m_captionFormat = kTextSingleLine | kTextVCenter;
        break;
    case 2:
        m_captionFormat = kTextSingleLine | kTextVCenter | kTextRight;
        break;
    case 3:
        m_captionFormat = kTextSingleLine | kTextCenter;
        break;
    case 4:
        m_captionFormat = kTextSingleLine | kTextBottom | kTextCenter;
        break;
    default:
        break; // other values keep the previous layout
    }
    ApplyRegion();
    m_inLayout = false;
    Refresh();
}

void SkinButton::ApplyRegion()
{
    setMask(styleRegion(m_style, width(), height()));
}

void SkinButton::Refresh()
{
    settleState();
    if (isVisible())
        repaint();
}

void SkinButton::settleState()
{
    if (!m_userMode && m_style != 5)
        m_buttonState = Hot; // designed buttons show their hot look
    if (m_buttonType == 1 && m_value)
        m_buttonState = Pressed;
    if (!m_enabled)
        m_buttonState = Disabled;
}

void SkinButton::paintEvent(QPaintEvent*)
{
    drawButton();
    QPainter painter(this);
    painter.drawImage(0, 0, m_canvas.image());
    // Over the canvas, not in it: the canvas is the face alone, whatever the focus.
    if (m_keyboardFocus && hasFocus()) {
        // Black dots on white gaps stay visible on every face colour.
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

// The repaint: clear, settle the state, then face, caption and icon.
void SkinButton::drawButton()
{
    m_canvas.resize(size(), logicalDpiX(), logicalDpiY());
    m_canvas.setBackground(static_cast<OleColor>(TranslateColor(m_surfaceColor)));
    settleState();
    if (m_buttonState == Disabled)
        m_canvas.setBackground(static_cast<OleColor>(SystemColorRGB(kColorButtonFace)));
    if (m_style == 6) {
        drawThemed();
    } else {
        FaceSettings face;
        face.style = m_style;
        face.state = m_buttonState;
        face.hasFocus = m_hasFocus;
        face.showFocus = m_showFocus;
        face.useCustomColors = m_useCustomColors;
        face.backColor = m_backColor;
        face.highlightColor = m_highlightColor;
        face.contentEdges = m_contentRect;
        drawFace(m_canvas, face);
    }
    m_surfaceColor = m_canvas.background();
    DrawCaption();
    drawIcon();
}

void SkinButton::drawThemed()
{
    m_canvas.setBackground(static_cast<OleColor>(SystemColorRGB(kColorButtonFace)));
    const int themeState = (m_buttonState == Normal && m_hasFocus) ? 5 : m_buttonState;
    bool drawn = false;
    try {
        QPainter painter(&m_canvas.image());
        drawn = m_theme.drawPushButton(painter, *this, m_clientRect, themeState);
    } catch (...) {
        drawn = false;
    }
    if (drawn)
        return;
    // No theme: this repaint keeps the plain face, and the button uses its non-themed style
    // from now on. Its outline follows at the next layout step, which is queued rather than
    // left to the next resize (a themed-to-plain switch would otherwise keep square corners).
    m_style = m_nonThemeStyle;
    if (m_style != 6)
        QMetaObject::invokeMethod(this, &SkinButton::UserControl_Resize, Qt::QueuedConnection);
}

void SkinButton::DrawCaption()
{
    OleColor colour = 0;
    if (m_buttonState == Disabled)
        colour = static_cast<OleColor>(SystemColorRGB(kColorGrayText));
    else if (!m_useCustomColors)
        colour = static_cast<OleColor>(SystemColorRGB(kColorButtonText));
    else
        colour = m_buttonState == Normal ? m_fontColor : m_fontHighlightColor;
    if (m_caption.isEmpty())
        return;
    QPainter painter(&m_canvas.image());
    painter.setPen(oleToQColor(colour));
    painter.setFont(QWidget::font());
    // The flags never ask for prefixes to be left alone, so "&x" underlines x and "&&" is "&".
    int flags = static_cast<int>(alignmentOf(m_captionFormat)) | Qt::TextShowMnemonic;
    if (!(m_captionFormat & kTextSingleLine) && (m_captionFormat & kTextWordBreak))
        flags |= Qt::TextWordWrap;
    // ContentRect holds edges; the box is the pixels between them.
    const QRect box(m_contentRect.topLeft(), m_contentRect.bottomRight() - QPoint(1, 1));
    painter.drawText(box, flags, m_caption);
}

void SkinButton::drawIcon()
{
    if (m_icon.isNull())
        return;
    const int size = m_iconSize;
    const int margin = iconMargin(m_style);
    const int w = width();
    const int h = height();
    auto centred = [](int room) { return static_cast<int>(std::nearbyint(room / 2.0)); };
    int x = 0;
    int y = 0;
    switch (m_iconAlign) {
    case 0:
        x = centred(w - size);
        y = centred(h - size);
        break;
    case 1:
        x = margin;
        y = centred(h - size);
        break;
    case 2:
        x = w - size - margin;
        y = centred(h - size);
        break;
    case 3:
        x = centred(w - size);
        y = margin;
        break;
    case 4:
        x = centred(w - size);
        y = h - size - margin;
        break;
    default:
        break;
    }
    // A size of 0 or less draws no picture (a negative one would draw it mirrored).
    auto drawPicture = [&](int px, int py) {
        if (size <= 0)
            return;
        QPainter painter(&m_canvas.image());
        painter.drawImage(QRect(px, py, size, size), m_icon);
    };
    if (m_buttonState == Pressed) {
        ++x;
        ++y;
    } else if (m_buttonState == Hot && m_style == 4) {
        // A grey silhouette of the icon's shape, with the icon itself two pixels up and left.
        drawPicture(x, y);
        const OleColor ground = m_canvas.pixel(1, 1);
        const OleColor grey = RGB(128, 128, 128);
        for (int py = y; py <= y + size; ++py) {
            for (int px = x; px <= x + size; ++px) {
                if (m_canvas.pixel(px, py) != ground)
                    m_canvas.setPixel(px, py, grey);
            }
        }
        x -= 2;
        y -= 2;
    }
    drawPicture(x, y);
}

void SkinButton::applyDrawingFont()
{
    QWidget::setFont(m_font.toQFont());
}

void SkinButton::resizeEvent(QResizeEvent*)
{
    UserControl_Resize();
}

// --- Hover: the control's own events, seen after the window has handled them ---

void SkinButton::SubclassWindow(QWidget* window)
{
    if (m_subclassed.contains(window))
        return;
    window->setMouseTracking(true);
    window->installEventFilter(this);
    m_subclassed.append(window);
}

void SkinButton::UnsubclassAll()
{
    for (const QPointer<QWidget>& window : std::as_const(m_subclassed)) {
        if (window)
            window->removeEventFilter(this);
    }
    m_subclassed.clear();
}

bool SkinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && m_subclassed.contains(this)) {
        bool handled = false;
        const QPointer<SkinButton> alive(this);
        SubclassProc(true, handled, this, event);
        // The tooltip watches the control's mouse messages itself.
        if (alive && m_tooltipWindow && isEnabled())
            m_tooltipWindow->ownerEvent(event);
    }
    return QWidget::eventFilter(watched, event);
}

void SkinButton::SubclassProc(bool, bool&, QWidget* window, QEvent* event)
{
    if (window != this)
        return;
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        Refresh();
        break;
    case QEvent::Enter:
    case QEvent::MouseMove:
        // A disabled window gets no pointer messages.
        if (!m_mouseInside && isEnabled()) {
            m_mouseInside = true;
            m_buttonState = Hot;
            Refresh();
            const QPointer<SkinButton> alive(this);
            Q_EMIT MouseEnter();
            if (alive) // the host may have destroyed the button in its handler
                CreateTooltip();
        }
        break;
    case QEvent::Leave:
        if (m_mouseInside) {
            m_mouseInside = false;
            m_buttonState = Normal;
            Refresh();
            Q_EMIT MouseLeave();
        }
        break;
    default:
        break;
    }
}

void SkinButton::CreateTooltip()
{
    delete m_tooltipWindow;
    auto* tip = new ButtonTooltip(this, m_toolTipType == 1);
    tip->setText(m_toolTip);
    if (!m_toolTipTitle.isEmpty() || m_toolTipIcon != 0)
        tip->setTitle(m_toolTipIcon, m_toolTipTitle);
    // A colour of 0 (black) is never applied: the system's colours stay.
    if (m_toolTipForeColor != 0)
        tip->setTextColor(TranslateColor(m_toolTipForeColor));
    if (m_toolTipBackColor != 0)
        tip->setBackgroundColor(TranslateColor(m_toolTipBackColor));
    m_tooltipWindow = tip;
}

// --- Mouse, keyboard and focus ---

void SkinButton::mousePressEvent(QMouseEvent* event)
{
    m_afterDoubleClick = false;
    UserControl_MouseDown(buttonNumber(event->button()));
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = buttonNumber(event->button());
    UserControl_MouseUp(button);
    // The second release of a double click ends no click of its own.
    const bool clicks = !m_afterDoubleClick && rect().contains(event->position().toPoint());
    m_afterDoubleClick = false;
    if (clicks)
        UserControl_Click();
}

void SkinButton::mouseDoubleClickEvent(QMouseEvent*)
{
    m_afterDoubleClick = true;
    UserControl_DblClick();
}

void SkinButton::keyPressEvent(QKeyEvent* event)
{
    bool used = false;
    if (event->key() == Qt::Key_Space) {
        UserControl_KeyDown(kKeySpace);
        used = true;
    }
    if (event->text() == u" "_s) {
        UserControl_KeyPress(kKeySpace);
        used = true;
    }
    if (!used)
        QWidget::keyPressEvent(event);
}

void SkinButton::keyReleaseEvent(QKeyEvent* event)
{
    // Held keys repeat their press only, as the platform's key messages do.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        UserControl_KeyUp(kKeySpace);
    else
        QWidget::keyReleaseEvent(event);
}

void SkinButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason)
        m_keyboardFocus = true;
    else if (!keepsFocusMark(reason))
        m_keyboardFocus = false;
    UserControl_GotFocus();
}

void SkinButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (!keepsFocusMark(event->reason()))
        m_keyboardFocus = false;
    UserControl_LostFocus();
    UserControl_ExitFocus();
}

void SkinButton::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    UserControl_Show();
}

void SkinButton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    UserControl_Hide();
}

void SkinButton::UserControl_MouseDown(int button)
{
    if (button != 1)
        return;
    m_buttonState = Pressed;
    Refresh();
}

void SkinButton::UserControl_MouseUp(int button)
{
    if (button == 1) {
        // An unset toggle button already shows the pressed look the click will give it.
        m_buttonState = (m_buttonType == 1 && !m_value) ? Pressed : Hot;
        Refresh();
    }
    m_lastButton = button;
}

void SkinButton::UserControl_Click()
{
    if (m_lastButton != 1)
        return;
    if (m_buttonType == 1) {
        m_value = !m_value;
        m_buttonState = Hot;
        Refresh();
    }
    Q_EMIT Click();
}

void SkinButton::UserControl_DblClick()
{
    if (m_lastButton == 1)
        UserControl_MouseDown(1);
}

void SkinButton::UserControl_KeyDown(int keyCode)
{
    if (keyCode == kKeySpace)
        UserControl_MouseDown(1);
}

void SkinButton::UserControl_KeyPress(int keyAscii)
{
    if (keyAscii != kKeySpace)
        return;
    if (m_buttonType == 1) {
        m_value = !m_value;
        m_buttonState = Hot;
        Refresh();
    }
    Q_EMIT Click();
}

void SkinButton::UserControl_KeyUp(int keyCode)
{
    if (keyCode == kKeySpace)
        UserControl_MouseUp(1);
}

void SkinButton::UserControl_GotFocus()
{
    m_hasFocus = true;
    Refresh();
}

void SkinButton::UserControl_LostFocus()
{
    m_hasFocus = false;
    Refresh();
}

void SkinButton::UserControl_ExitFocus()
{
    m_hasFocus = false;
    Refresh();
}

void SkinButton::UserControl_Show()
{
    // Only the control's own tooltip is shown: the host's text moves into ToolTip. An empty
    // host text leaves ToolTip as it was read, so a stored tooltip is not lost.
    const QString hostText = hostToolTip();
    if (!hostText.isEmpty())
        m_toolTip = hostText;
    QWidget::setToolTip(QString());
    Refresh();
}

void SkinButton::UserControl_Hide()
{
    QWidget::setToolTip(m_toolTip);
}

void SkinButton::UserControl_Terminate()
{
    UnsubclassAll();
}

} // namespace kelvane
