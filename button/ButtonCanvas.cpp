#include "button/ButtonCanvas.h"

#include "button/ButtonColors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelvane {

namespace {

QRgb rgbOf(OleColor colour)
{
    return qRgb(redOf(colour), greenOf(colour), blueOf(colour));
}

OleColor system(int index)
{
    return static_cast<OleColor>(SystemColorRGB(index));
}

// Edge bits: outer raised 1, outer sunken 2, inner raised 4, inner sunken 8.
constexpr int kRaisedOuter = 1;
constexpr int kSunkenOuter = 2;
constexpr int kRaisedInner = 4;
constexpr int kSunkenInner = 8;

struct Bevel
{
    int topLeft = -1; // system colour numbers, -1 for none
    int bottomRight = -1;
};

} // namespace

void ButtonCanvas::resize(QSize size, int dpiX, int dpiY)
{
    if (m_image.size() != size)
        m_image = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    // The caption's point size turns into pixels through the surface's resolution.
    m_image.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    m_image.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
    m_pixelReads = 0;
    if (m_recording)
        resetWrites();
}

void ButtonCanvas::setBackground(OleColor colour)
{
    m_background = colour;
    clear();
}

void ButtonCanvas::clear()
{
    m_image.fill(rgbOf(m_background));
    if (m_recording)
        resetWrites();
}

void ButtonCanvas::put(int x, int y, QRgb value)
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return;
    reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = value;
    if (m_recording)
        m_writes.scanLine(y)[x] = 1;
}

void ButtonCanvas::fillSpan(int x1, int x2, int y, QRgb value)
{
    if (y < 0 || y >= m_image.height())
        return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, m_image.width() - 1);
    if (x1 > x2)
        return;
    QRgb* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
    std::fill(row + x1, row + x2 + 1, value);
    if (m_recording)
        std::fill(m_writes.scanLine(y) + x1, m_writes.scanLine(y) + x2 + 1, uchar(1));
}

void ButtonCanvas::setPixel(int x, int y, OleColor colour)
{
    put(x, y, rgbOf(colour));
}

OleColor ButtonCanvas::pixel(int x, int y) const
{
    ++m_pixelReads;
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return 0;
    const QRgb value = reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
    return RGB(qRed(value), qGreen(value), qBlue(value));
}

void ButtonCanvas::DrawLine(int x1, int y1, int x2, int y2, OleColor colour)
{
    const QRgb value = rgbOf(colour);
    if (y1 == y2) {
        if (x1 < x2)
            fillSpan(x1, x2 - 1, y1, value);
        else if (x1 > x2)
            fillSpan(x2 + 1, x1, y1, value);
        return;
    }
    if (x1 == x2) {
        const int step = y2 > y1 ? 1 : -1;
        for (int y = y1; y != y2; y += step)
            put(x1, y, value);
        return;
    }
    // Any other slope: Bresenham's steps, stopping before the end point.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        put(x, y, value);
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += sx;
        }
        if (doubled <= dx) {
            error += dx;
            y += sy;
        }
    }
}

int ButtonCanvas::gradientChannel(int p, int q, int n, int i)
{
    // Single precision, step first, as the faces were designed with; nearbyint rounds halves
    // to even under the default rounding mode.
    const float step = static_cast<float>(q - p) / static_cast<float>(n);
    const float value = static_cast<float>(p) + step * static_cast<float>(i);
    return std::clamp(static_cast<int>(std::nearbyint(value)), 0, 255);
}

void ButtonCanvas::DrawGradientRows(OleColor c1, OleColor c2, int x1, int y0, int x2, int n)
{
    // A single row has nothing to interpolate: it takes the first colour rather than a
    // division by zero.
    if (n == 0) {
        DrawLine(x1, y0, x2, y0, c1);
        return;
    }
    for (int i = 0; i <= n; ++i) {
        const OleColor colour = RGB(gradientChannel(redOf(c1), redOf(c2), n, i),
                                    gradientChannel(greenOf(c1), greenOf(c2), n, i),
                                    gradientChannel(blueOf(c1), blueOf(c2), n, i));
        DrawLine(x1, y0 + i, x2, y0 + i, colour);
    }
}

void ButtonCanvas::DrawGradientColumns(OleColor c1, OleColor c2, int x1, int y1, int x2, int y2)
{
    const int n = x2 - x1;
    if (n == 0) {
        DrawLine(x1, y1, x1, y2, c1);
        return;
    }
    for (int x = x1; x <= x2; ++x) {
        const int i = x - x1;
        const OleColor colour = RGB(gradientChannel(redOf(c1), redOf(c2), n, i),
                                    gradientChannel(greenOf(c1), greenOf(c2), n, i),
                                    gradientChannel(blueOf(c1), blueOf(c2), n, i));
        DrawLine(x, y1, x, y2, colour);
    }
}

void ButtonCanvas::FillBox(int x, int y, int w, int h, OleColor colour)
{
    FillRectWith(QRect(QPoint(x, y), QPoint(x + w, y + h)), colour);
}

void ButtonCanvas::FillRectWith(const QRect& edges, OleColor colour)
{
    const QRgb value = rgbOf(colour);
    for (int y = edges.top(); y < edges.bottom(); ++y)
        fillSpan(edges.left(), edges.right() - 1, y, value);
}

void ButtonCanvas::FrameBox(int x, int y, int w, int h, OleColor colour)
{
    DrawLine(x, y, x + w, y, colour);
    DrawLine(x + w, y, x + w, y + h, colour);
    DrawLine(x + w, y + h, x, y + h, colour);
    DrawLine(x, y + h, x, y, colour);
}

void ButtonCanvas::DrawEdgeBox(int x, int y, int w, int h, int edge)
{
    // The classic bevels: an outer and an inner border, each light at the top and left and
    // dark at the bottom and right (or the other way round when sunken). A lone inner border
    // takes the outer position.
    Bevel outer;
    Bevel inner;
    if (edge & kRaisedOuter)
        outer = {kColorLight, kColorDarkShadow};
    else if (edge & kSunkenOuter)
        outer = {kColorButtonShadow, kColorButtonHighlight};
    if (edge & kRaisedInner)
        inner = {kColorButtonHighlight, kColorButtonShadow};
    else if (edge & kSunkenInner)
        inner = {kColorDarkShadow, kColorLight};
    if (outer.topLeft < 0) {
        outer = inner;
        inner = {};
    }

    int left = x;
    int top = y;
    int right = x + w;
    int bottom = y + h;
    for (const Bevel& bevel : {outer, inner}) {
        if (bevel.topLeft < 0 || right - left < 1 || bottom - top < 1)
            break;
        const OleColor light = system(bevel.topLeft);
        const OleColor dark = system(bevel.bottomRight);
        // Top and left first; bottom and right then own the two corners they share.
        DrawLine(left, bottom - 1, left, top, light);
        DrawLine(left, top, right, top, light);
        DrawLine(left, bottom - 1, right - 1, bottom - 1, dark);
        DrawLine(right - 1, bottom - 1, right - 1, top - 1, dark);
        ++left;
        ++top;
        --right;
        --bottom;
    }
}

void ButtonCanvas::DrawEtchedFrame(int x, int y, int w, int h, OleColor c1, OleColor c2,
                                   OleColor c3)
{
    FrameBox(x, y, w - 1, h - 1, c1);
    FrameBox(x + 1, y + 1, w - 1, h - 1, c2);
    setPixel(x, y + h, c3);
    setPixel(x + w, y, c3);
    const OleColor between = BlendColors(c2, c1);
    setPixel(x + 1, y + h - 1, between);
    setPixel(x + w - 1, y + 1, between);
}

void ButtonCanvas::setRecordingWrites(bool on)
{
    m_recording = on;
    if (on)
        resetWrites();
    else
        m_writes = QImage();
}

bool ButtonCanvas::written(int x, int y) const
{
    if (!m_recording || x < 0 || y < 0 || x >= m_writes.width() || y >= m_writes.height())
        return false;
    return m_writes.constScanLine(y)[x] != 0;
}

void ButtonCanvas::resetWrites()
{
    if (m_writes.size() != m_image.size())
        m_writes = QImage(m_image.size(), QImage::Format_Grayscale8);
    m_writes.fill(0);
}

} // namespace kelvane
