#include "button/SkinButton.h"

#include "button/ButtonColors.h"
#include "button/ButtonFaces.h"
#include "platform/Twips.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

// The layout step and the repaint: face, caption and icon drawn into the button's canvas.

namespace kelvane {

namespace {

// Text-drawing flags of the caption layout.
constexpr int kTextCenter = 1;
constexpr int kTextRight = 2;
constexpr int kTextVCenter = 4;
constexpr int kTextBottom = 8;
constexpr int kTextWordBreak = 16;
constexpr int kTextSingleLine = 32;

constexpr int kMinimumSizeTwips = 300;

// The theme's state for the default button; its others are numbered as ButtonStates.
constexpr int kThemeDefaultButton = 5;

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

} // namespace

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
    switch (static_cast<ButtonAlign>(m_captionAlign)) {
    case ButtonAlign::Centre:
        m_captionFormat = kTextSingleLine | kTextVCenter | kTextCenter;
        break;
    case ButtonAlign::Left:
        m_captionFormat = kTextSingleLine | kTextVCenter;
        break;
    case ButtonAlign::Right:
        m_captionFormat = kTextSingleLine | kTextVCenter | kTextRight;
        break;
    case ButtonAlign::Top:
        m_captionFormat = kTextSingleLine | kTextCenter;
        break;
    case ButtonAlign::Bottom:
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
    setMask(styleRegion(style(), width(), height()));
}

void SkinButton::Refresh()
{
    settleState();
    if (isVisible())
        repaint();
}

void SkinButton::settleState()
{
    if (!m_userMode && style() != ButtonStyle::Outlined)
        m_buttonState = ButtonStates::Hot; // designed buttons show their hot look
    if (isToggle() && m_value)
        m_buttonState = ButtonStates::Pressed;
    if (!m_enabled)
        m_buttonState = ButtonStates::Disabled;
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
    m_canvas.setBackground(m_surfaceColor);
    settleState();
    if (m_buttonState == ButtonStates::Disabled)
        m_canvas.setBackground(static_cast<OleColor>(SystemColorRGB(kColorButtonFace)));
    if (style() == ButtonStyle::Themed) {
        drawThemed();
    } else {
        FaceSettings face;
        face.style = style();
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
    const int themeState = (m_buttonState == ButtonStates::Normal && m_hasFocus)
                               ? kThemeDefaultButton
                               : static_cast<int>(m_buttonState);
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
    if (style() != ButtonStyle::Themed)
        QMetaObject::invokeMethod(this, &SkinButton::UserControl_Resize, Qt::QueuedConnection);
}

void SkinButton::DrawCaption()
{
    OleColor colour = 0;
    if (m_buttonState == ButtonStates::Disabled)
        colour = static_cast<OleColor>(SystemColorRGB(kColorGrayText));
    else if (!m_useCustomColors)
        colour = static_cast<OleColor>(SystemColorRGB(kColorButtonText));
    else
        colour = m_buttonState == ButtonStates::Normal ? m_fontColor : m_fontHighlightColor;
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
    const int margin = iconMargin(style());
    const int w = width();
    const int h = height();
    auto centred = [](int room) { return static_cast<int>(std::nearbyint(room / 2.0)); };
    int x = 0;
    int y = 0;
    switch (static_cast<ButtonAlign>(m_iconAlign)) {
    case ButtonAlign::Centre:
        x = centred(w - size);
        y = centred(h - size);
        break;
    case ButtonAlign::Left:
        x = margin;
        y = centred(h - size);
        break;
    case ButtonAlign::Right:
        x = w - size - margin;
        y = centred(h - size);
        break;
    case ButtonAlign::Top:
        x = centred(w - size);
        y = margin;
        break;
    case ButtonAlign::Bottom:
        x = centred(w - size);
        y = h - size - margin;
        break;
    default: // the top-left corner
        break;
    }
    // A size of 0 or less draws no picture (a negative one would draw it mirrored).
    auto drawPicture = [&](int px, int py) {
        if (size <= 0)
            return;
        QPainter painter(&m_canvas.image());
        painter.drawImage(QRect(px, py, size, size), m_icon);
    };
    if (m_buttonState == ButtonStates::Pressed) {
        ++x;
        ++y;
    } else if (m_buttonState == ButtonStates::Hot && style() == ButtonStyle::Tinted) {
        // A grey silhouette of the icon's shape, with the icon itself two pixels up and left.
        drawPicture(x, y);
        const OleColor ground = m_canvas.pixel(1, 1);
        const OleColor grey = RGB(128, 128, 128);
        // The square x..x+size, y..y+size, cut to the canvas: a stored size can be 32767.
        const int left = std::max(x, 0);
        const int top = std::max(y, 0);
        const int right = std::min(x + size, m_canvas.width() - 1);
        const int bottom = std::min(y + size, m_canvas.height() - 1);
        for (int py = top; py <= bottom; ++py) {
            for (int px = left; px <= right; ++px) {
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

} // namespace kelvane
