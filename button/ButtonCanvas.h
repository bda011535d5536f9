#pragma once

#include "platform/OleColor.h"

#include <QImage>
#include <QRect>

namespace kelvane {

// The button's drawing surface: a pixel image the faces are drawn into line by line, then put
// on screen in one go. The operations write pixels directly, so every face comes out exactly
// the same on every platform and Qt version (no pen, cap or antialiasing rules in between).
// Colours are 0x00BBGGRR values; writes outside the surface are dropped.
class ButtonCanvas
{
public:
    // A surface of the given size and dots per inch (the latter sizes the caption's font).
    void resize(QSize size, int dpiX = 96, int dpiY = 96);
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    QImage& image() { return m_image; }
    const QImage& image() const { return m_image; }

    // The background colour: setting it clears the surface to it, as clearing does.
    OleColor background() const { return m_background; }
    void setBackground(OleColor colour);
    void clear();

    void setPixel(int x, int y, OleColor colour);
    // The colour at (x, y); 0 outside the surface.
    OleColor pixel(int x, int y) const;
    // How many pixels were read since the last resize, inside the surface or not: a repaint
    // reads no more than its surface holds.
    qint64 pixelReads() const { return m_pixelReads; }

    // A 1-pixel line from (x1, y1) towards (x2, y2); the end point itself is not drawn.
    void DrawLine(int x1, int y1, int x2, int y2, OleColor colour);
    // Rows y0 to y0 + n, each DrawLine(x1, y, x2, y), c1 at the first and c2 at the last, the
    // channels interpolated in single precision and rounded half to even.
    void DrawGradientRows(OleColor c1, OleColor c2, int x1, int y0, int x2, int n);
    // Columns x1 to x2, each DrawLine(x, y1, x, y2), interpolated from c1 to c2 the same way.
    void DrawGradientColumns(OleColor c1, OleColor c2, int x1, int y1, int x2, int y2);
    // Fills columns x to x + w - 1 and rows y to y + h - 1.
    void FillBox(int x, int y, int w, int h, OleColor colour);
    // Fills a rectangle given by its edges: left(), top(), and right(), bottom() just outside.
    void FillRectWith(const QRect& edges, OleColor colour);
    // The outline of columns x to x + w and rows y to y + h.
    void FrameBox(int x, int y, int w, int h, OleColor colour);
    // A classic 3-D edge (raised 5, sunken 10, raised inner 4, sunken outer 2, or any mix of the
    // bits 1, 2, 4, 8) on all four sides of (x, y, x + w, y + h), in the system's 3-D colours.
    void DrawEdgeBox(int x, int y, int w, int h, int edge);
    void DrawEtchedFrame(int x, int y, int w, int h, OleColor c1, OleColor c2, OleColor c3);

    // The channel value of row or column i of n between p and q, as the gradients compute it.
    static int gradientChannel(int p, int q, int n, int i);

    // Records which pixels the drawing operations set since the last background or clear
    // (the background itself does not count). For inspecting the shape of a face.
    void setRecordingWrites(bool on);
    bool written(int x, int y) const;

private:
    void put(int x, int y, QRgb value);
    void fillSpan(int x1, int x2, int y, QRgb value); // x1 <= x2, both included
    void resetWrites();

    QImage m_image;
    OleColor m_background = 0;
    bool m_recording = false;
    QImage m_writes;
    mutable qint64 m_pixelReads = 0;
};

} // namespace kelvane
