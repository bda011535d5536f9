#include "button/ButtonSkin.h"

#include "button/ButtonColors.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kelvane {

namespace {

constexpr int kCorner = 9;         // half of the 18-pixel corner ellipse
constexpr double kArcRadius = 8.5; // the drawn border's curve, inside the outline
constexpr int kSideBorder = 2;     // the border line's distance from the left and right edges
constexpr int kTopBorder = 0;      // ... from the top edge
constexpr int kBottomBorder = 2;   // ... from the bottom edge (one row lies outside the client)

// One image's colours as distances from the outer edges: across the left and right sides
// (columns 0 to 17, mirrored on the right), down from the top and up from the bottom (rows 0
// to 12). The corners are interpolated from them around a quarter circle.
struct Profile
{
    OleColor centre;
    std::array<OleColor, 18> side;
    std::array<OleColor, 13> top;
    std::array<OleColor, 13> bottom;
    OleColor outside; // beyond the top border, where the corner curves away
};

// Fills entries from..to with an even ramp between the colours already at both ends.
template <std::size_t N>
void ramp(std::array<OleColor, N>& values, std::size_t from, std::size_t to)
{
    const OleColor a = values[from];
    const OleColor b = values[to];
    const int n = static_cast<int>(to - from);
    for (std::size_t i = from + 1; i < to; ++i) {
        const int k = static_cast<int>(i - from);
        values[i] = RGB(redOf(a) + (redOf(b) - redOf(a)) * k / n,
                        greenOf(a) + (greenOf(b) - greenOf(a)) * k / n,
                        blueOf(a) + (blueOf(b) - blueOf(a)) * k / n);
    }
}

Profile silverProfile()
{
    Profile p{};
    p.centre = RGB(232, 231, 234);
    p.side = {RGB(247, 247, 247), RGB(160, 160, 160), RGB(153, 153, 153), RGB(195, 195, 195),
              RGB(216, 216, 218), RGB(224, 223, 226), RGB(228, 227, 230)};
    p.side[17] = p.centre;
    ramp(p.side, 6, 17);
    p.top = {RGB(106, 105, 103),
             RGB(246, 244, 245),
             RGB(244, 242, 243),
             RGB(238, 238, 238),
             RGB(242, 241, 244),
             RGB(240, 239, 242),
             RGB(238, 237, 240),
             RGB(236, 235, 238),
             RGB(235, 234, 237),
             RGB(234, 233, 236),
             RGB(233, 232, 235),
             p.centre,
             p.centre};
    p.bottom = {RGB(236, 236, 236),
                RGB(197, 197, 197),
                RGB(84, 84, 84),
                RGB(170, 170, 172),
                RGB(205, 204, 207),
                RGB(218, 217, 220),
                RGB(224, 223, 226),
                RGB(227, 226, 229),
                RGB(229, 228, 231),
                RGB(230, 229, 232),
                RGB(231, 230, 233),
                p.centre,
                p.centre};
    p.outside = RGB(250, 250, 250);
    return p;
}

Profile blueProfile()
{
    Profile p{};
    p.centre = RGB(106, 166, 226);
    p.side = {RGB(247, 247, 247), RGB(158, 160, 176), RGB(19, 46, 113), RGB(20, 95, 189),
              RGB(60, 130, 210),  RGB(85, 150, 220),  RGB(95, 158, 223)};
    p.side[17] = p.centre;
    ramp(p.side, 6, 17);
    p.top = {RGB(19, 46, 113),
             RGB(200, 225, 250),
             RGB(180, 212, 245),
             RGB(160, 200, 240),
             RGB(148, 192, 237),
             RGB(138, 186, 234),
             RGB(128, 180, 232),
             RGB(120, 175, 230),
             RGB(114, 171, 228),
             RGB(110, 168, 227),
             RGB(108, 167, 226),
             p.centre,
             p.centre};
    p.bottom = {RGB(236, 236, 236),
                RGB(158, 160, 176),
                RGB(19, 46, 113),
                RGB(40, 90, 170),
                RGB(70, 125, 195),
                RGB(85, 140, 205),
                RGB(94, 150, 212),
                RGB(99, 156, 217),
                RGB(102, 160, 220),
                RGB(104, 163, 223),
                RGB(105, 165, 225),
                p.centre,
                p.centre};
    p.outside = RGB(250, 250, 250);
    return p;
}

// The pressed look: the blue one a little darker, more so in blue than in red, with the pale
// rim outside the border left as it is.
OleColor darker(OleColor c)
{
    return RGB(static_cast<int>(std::lround(redOf(c) * 0.97)),
               static_cast<int>(std::lround(greenOf(c) * 0.93)),
               static_cast<int>(std::lround(blueOf(c) * 0.90)));
}

Profile darkBlueProfile()
{
    Profile p = blueProfile();
    for (std::size_t i = kSideBorder; i < p.side.size(); ++i)
        p.side[i] = darker(p.side[i]);
    for (std::size_t i = kTopBorder; i < p.top.size(); ++i)
        p.top[i] = darker(p.top[i]);
    for (std::size_t i = kBottomBorder; i < p.bottom.size(); ++i)
        p.bottom[i] = darker(p.bottom[i]);
    p.centre = RGB(106, 155, 204);
    p.side[17] = p.centre;
    p.top[11] = p.top[12] = p.centre;
    p.bottom[11] = p.bottom[12] = p.centre;
    return p;
}

OleColor mix(OleColor a, OleColor b, double t)
{
    auto channel = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
    return RGB(channel(redOf(a), redOf(b)), channel(greenOf(a), greenOf(b)),
               channel(blueOf(a), blueOf(b)));
}

// The colour at a fractional distance s from a border that lies at index border of values;
// before index 0 lies the colour outside.
template <std::size_t N>
OleColor along(const std::array<OleColor, N>& values, int border, double s, OleColor outside)
{
    const double at = std::clamp(border + s, -1.0, static_cast<double>(N - 1));
    auto value = [&](int i) { return i < 0 ? outside : values[static_cast<std::size_t>(i)]; };
    const int below = static_cast<int>(std::floor(at));
    const double t = at - below;
    return t == 0 ? value(below) : mix(value(below), value(below + 1), t);
}

// One corner block in its own coordinates (dx from the side edge, dy from the top or bottom
// edge): the side and end profiles meet around a quarter circle.
std::vector<SkinImage::Pixel> cornerBlock(const Profile& p, const std::array<OleColor, 13>& end,
                                          int endBorder)
{
    std::vector<SkinImage::Pixel> pixels;
    const double cx = kSideBorder + 0.5 + kArcRadius;
    const double cy = endBorder + 0.5 + kArcRadius;
    for (int dy = 0; dy <= 12; ++dy) {
        for (int dx = roundedInset(dy); dx <= 17; ++dx) {
            const double px = dx + 0.5;
            const double py = dy + 0.5;
            double s = 0;
            double t = 0; // 0: across the side, 1: along the end
            if (px < cx && py < cy) {
                s = kArcRadius - std::hypot(cx - px, cy - py);
                t = std::atan2(cy - py, cx - px) / (std::numbers::pi / 2);
            } else if (px < cx) {
                s = px - (kSideBorder + 0.5);
            } else if (py < cy) {
                s = py - (endBorder + 0.5);
                t = 1;
            } else {
                // Inside the curve: carry on the top or bottom strip's rows, which hold the
                // gloss, so the block meets the strip without a seam.
                s = py - (endBorder + 0.5);
                t = 1;
            }
            const OleColor colour = mix(along(p.side, kSideBorder, s, p.side[0]),
                                        along(end, endBorder, s, p.outside), t);
            pixels.push_back({dx, dy, colour});
        }
    }
    return pixels;
}

SkinImage build(const Profile& p)
{
    SkinImage image;
    image.centre = p.centre;
    std::copy(p.side.begin(), p.side.end(), image.left.begin());
    for (std::size_t i = 0; i < image.right.size(); ++i)
        image.right[i] = p.side[17 - i]; // column W-17+i lies 17-i from the right edge
    std::copy(p.top.begin(), p.top.begin() + 12, image.top.begin());
    for (std::size_t i = 0; i < image.bottom.size(); ++i)
        image.bottom[i] = p.bottom[11 - i]; // row H-11+i lies 11-i from the bottom edge
    image.topLeft = cornerBlock(p, p.top, kTopBorder);
    image.topRight = image.topLeft;
    image.bottomLeft = cornerBlock(p, p.bottom, kBottomBorder);
    image.bottomRight = image.bottomLeft;
    return image;
}

SkinImage silverImage()
{
    SkinImage image = build(silverProfile());
    // The top corners' first row, fading from the outline into the dark border.
    const OleColor firstRow[] = {RGB(254, 254, 254), RGB(230, 230, 230), RGB(172, 172, 172),
                                 RGB(122, 122, 122), RGB(108, 108, 108), RGB(107, 107, 107)};
    for (auto* corner : {&image.topLeft, &image.topRight}) {
        for (SkinImage::Pixel& pixel : *corner) {
            if (pixel.dy == 0 && pixel.dx >= 6 && pixel.dx < 12)
                pixel.colour = firstRow[pixel.dx - 6];
        }
    }
    return image;
}

} // namespace

int roundedInset(int row)
{
    if (row < 0 || row >= kCorner)
        return 0;
    const double dy = kCorner - 0.5 - row;
    const double dx = kCorner * std::sqrt(1.0 - (dy / kCorner) * (dy / kCorner));
    return static_cast<int>(std::nearbyint(kCorner - dx));
}

QRegion roundedRegion(int width, int height)
{
    // Rows 0 to H and columns 0 to W, as the rectangle (0, 0, W + 1, H + 1) covers them.
    QList<QRect> rows;
    rows.reserve(height + 1);
    for (int y = 0; y <= height; ++y) {
        const int inset = std::max(roundedInset(y), roundedInset(height - y));
        rows.append(QRect(inset, y, width + 1 - 2 * inset, 1));
    }
    QRegion region;
    region.setRects(rows.constData(), static_cast<int>(rows.size()));
    return region;
}

const SkinImage& skinImage(SkinKind kind)
{
    static const SkinImage silver = silverImage();
    static const SkinImage blue = build(blueProfile());
    static const SkinImage darkBlue = build(darkBlueProfile());
    switch (kind) {
    case SkinKind::Blue:
        return blue;
    case SkinKind::DarkBlue:
        return darkBlue;
    case SkinKind::Silver:
        break;
    }
    return silver;
}

void drawSkin(ButtonCanvas& canvas, const SkinImage& image)
{
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.FillBox(18, 11, w - 34, h - 19, image.centre);
    for (int x = 0; x <= 17; ++x)
        canvas.DrawLine(x, 11, x, h - 10, image.left[static_cast<std::size_t>(x)]);
    for (int i = 0; i < 17; ++i)
        canvas.DrawLine(w - 17 + i, 11, w - 17 + i, h - 10,
                        image.right[static_cast<std::size_t>(i)]);
    for (int y = 0; y <= 11; ++y)
        canvas.DrawLine(17, y, w - 17, y, image.top[static_cast<std::size_t>(y)]);
    for (int i = 0; i < 12; ++i)
        canvas.DrawLine(17, h - 11 + i, w - 17, h - 11 + i,
                        image.bottom[static_cast<std::size_t>(i)]);
    for (const SkinImage::Pixel& p : image.topLeft)
        canvas.setPixel(p.dx, p.dy, p.colour);
    for (const SkinImage::Pixel& p : image.topRight)
        canvas.setPixel(w - p.dx, p.dy, p.colour);
    for (const SkinImage::Pixel& p : image.bottomLeft)
        canvas.setPixel(p.dx, h - p.dy, p.colour);
    for (const SkinImage::Pixel& p : image.bottomRight)
        canvas.setPixel(w - p.dx, h - p.dy, p.colour);
}

} // namespace kelvane
