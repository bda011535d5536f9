#include "button/ButtonFaces.h"

#include "button/ButtonColors.h"
#include "button/ButtonSkin.h"

#include <QPolygon>

#include <cmath>

namespace kelvane {

namespace {

using enum ButtonStates;

constexpr int kEdgeRaised = 5;
constexpr int kEdgeSunken = 10;
constexpr int kRaisedInner = 4;
constexpr int kSunkenOuter = 2;

OleColor system(int index)
{
    return static_cast<OleColor>(SystemColorRGB(index));
}

OleColor up(OleColor colour, int k)
{
    return ShiftColor(colour, k);
}
OleColor down(OleColor colour, int k)
{
    return ShiftColor(colour, -k);
}

// The drawing context of one face: the canvas with the notation's short names.
struct Face
{
    ButtonCanvas& canvas;
    const FaceSettings& s;
    int W;
    int H;
    OleColor F = system(kColorButtonFace);
    OleColor HL = system(kColorHighlight);
    OleColor C = s.useCustomColors ? s.backColor : F;
    OleColor R = s.useCustomColors ? s.highlightColor : HL;

    void background(OleColor c) { canvas.setBackground(c); }
    void rows(OleColor c1, OleColor c2, int x1, int y0, int x2, int n)
    {
        canvas.DrawGradientRows(c1, c2, x1, y0, x2, n);
    }
    void cols(OleColor c1, OleColor c2, int x1, int y1, int x2, int y2)
    {
        canvas.DrawGradientColumns(c1, c2, x1, y1, x2, y2);
    }
    void line(int x1, int y1, int x2, int y2, OleColor c) { canvas.DrawLine(x1, y1, x2, y2, c); }
    void pixel(int x, int y, OleColor c) { canvas.setPixel(x, y, c); }
    void frame(int x, int y, int w, int h, OleColor c) { canvas.FrameBox(x, y, w, h, c); }
    void fill(int x, int y, int w, int h, OleColor c) { canvas.FillBox(x, y, w, h, c); }
    void edge(int kind) { canvas.DrawEdgeBox(0, 0, W, H, kind); }
    int half(int k) const { return halfMinus(H, k); }

    // The eight pixels beside the four clipped corners of the small outline.
    void outerCorners(OleColor c)
    {
        for (QPoint p :
             {QPoint(1, 0), QPoint(W - 2, 0), QPoint(0, 1), QPoint(0, H - 2), QPoint(1, H - 1),
              QPoint(W - 2, H - 1), QPoint(W - 1, 1), QPoint(W - 1, H - 2)})
            pixel(p.x(), p.y(), c);
    }
    void innerCorners(OleColor c)
    {
        for (QPoint p : {QPoint(1, 1), QPoint(1, H - 2), QPoint(W - 2, 1), QPoint(W - 2, H - 2)})
            pixel(p.x(), p.y(), c);
    }
    // The twelve pixels that round off a disabled style 5 face.
    void disabledCorners(OleColor c)
    {
        for (QPoint p :
             {QPoint(0, 1), QPoint(1, 1), QPoint(1, 0), QPoint(0, H - 2), QPoint(1, H - 2),
              QPoint(1, H - 1), QPoint(W - 1, 1), QPoint(W - 2, 1), QPoint(W - 2, 0),
              QPoint(W - 1, H - 2), QPoint(W - 2, H - 2), QPoint(W - 2, H - 1)})
            pixel(p.x(), p.y(), c);
    }

    void raised();
    void thinOrFlat(bool flat);
    void etched();
    void tinted();
    void outlinedFixed();
    void outlinedCustom();
    void derived();
    void shadowed();
    void banded();
    void skin();
};

void Face::raised()
{
    const OleColor other = s.useCustomColors ? s.highlightColor : F;
    background(s.state == Normal ? C : other);
    edge(s.state == Pressed ? kEdgeSunken : kEdgeRaised);
}

void Face::thinOrFlat(bool flat)
{
    const OleColor other = s.useCustomColors ? s.highlightColor : F;
    const OleColor back = (s.state == Normal || s.state == Disabled) ? C : other;
    background(back);
    switch (s.state) {
    case Normal:
        if (flat)
            frame(0, 0, W - 1, H - 1, C);
        else
            edge(kRaisedInner);
        break;
    case Hot:
        edge(kRaisedInner);
        break;
    case Pressed:
        edge(kSunkenOuter);
        break;
    default:
        frame(0, 0, W - 1, H - 1, back);
        break;
    }
}

void Face::etched()
{
    const OleColor shadow = system(kColorButtonShadow);
    background(C);
    OleColor tint = C;
    if (s.state == Hot)
        tint =
            s.useCustomColors ? BlendColors(s.highlightColor, s.backColor) : BlendColors(shadow, F);
    else if (s.state == Pressed)
        tint = s.useCustomColors ? s.highlightColor : shadow;
    canvas.FillRectWith(s.contentEdges, tint);
    canvas.DrawEtchedFrame(0, 0, W - 1, H - 1, shadow, system(kColorWindow), tint);
}

void Face::tinted()
{
    switch (s.state) {
    case Hot:
        fill(0, 0, W - 1, H - 1, LightenColor(R, 176));
        frame(0, 0, W - 1, H - 1, R);
        break;
    case Pressed:
        fill(0, 0, W - 1, H - 1, LightenColor(R, 128));
        frame(0, 0, W - 1, H - 1, R);
        break;
    default:
        fill(0, 0, W, H, LightenColor(C, 32));
        break;
    }
}

void Face::outlinedFixed()
{
    if (s.state == Disabled) {
        background(RGB(245, 244, 234));
        frame(0, 0, W - 1, H - 1, RGB(201, 199, 186));
        disabledCorners(RGB(216, 213, 199));
        return;
    }
    background(F);
    if (s.state == Pressed) {
        rows(RGB(209, 204, 193), RGB(228, 227, 220), 2, 1, W - 1, 4);
        rows(RGB(228, 227, 220), RGB(227, 226, 219), 2, 4, W - 1, H - 8);
        rows(RGB(227, 226, 219), RGB(242, 241, 238), 3, H - 4, W - 1, 3);
        rows(RGB(218, 216, 206), RGB(227, 226, 219), 1, 3, 2, H - 5);
        rows(RGB(218, 216, 206), RGB(227, 226, 219), 2, 4, 3, H - 7);
    } else {
        rows(RGB(252, 252, 251), RGB(240, 240, 240), 1, 1, W - 2, 4);
        rows(RGB(250, 250, 249), RGB(240, 240, 234), 1, 4, W - 2, H - 8);
        rows(RGB(235, 235, 230), RGB(214, 208, 197), 1, H - 4, W - 2, 3);
        rows(RGB(251, 251, 250), RGB(228, 226, 218), W - 3, 3, W - 2, H - 5);
        rows(RGB(245, 244, 242), RGB(219, 215, 205), W - 2, 3, W - 1, H - 5);
        if (s.state == Hot) {
            line(2, 1, W - 2, 1, RGB(255, 240, 207));
            line(2, 2, W - 2, 2, RGB(253, 216, 137));
            line(2, H - 3, W - 2, H - 3, RGB(248, 179, 48));
            line(2, H - 2, W - 2, H - 2, RGB(229, 151, 16));
            rows(RGB(253, 216, 137), RGB(248, 179, 48), 1, 2, 3, H - 5);
            rows(RGB(253, 216, 137), RGB(248, 179, 48), W - 3, 2, W - 1, H - 5);
        } else if (s.hasFocus) {
            // This look shows the focus whatever ShowFocus says.
            line(2, H - 2, W - 2, H - 2, RGB(105, 130, 238));
            line(2, 1, W - 2, 1, RGB(206, 231, 255));
            line(2, 2, W - 2, 2, RGB(188, 212, 246));
            line(2, H - 3, W - 2, H - 3, RGB(137, 173, 228));
            rows(RGB(188, 212, 246), RGB(137, 173, 228), 1, 2, 3, H - 5);
            rows(RGB(188, 212, 246), RGB(137, 173, 228), W - 3, 2, W - 1, H - 5);
        }
    }
    // The outline last, so the rings' ends are rounded off by its corner pixels.
    const OleColor outline = RGB(0, 60, 116);
    line(1, 0, W - 1, 0, outline);
    line(0, 1, 0, H - 1, outline);
    line(W - 1, 1, W - 1, H - 1, outline);
    line(1, H - 1, W - 1, H - 1, outline);
    innerCorners(RGB(72, 110, 144));
    outerCorners(RGB(106, 139, 162));
    for (QPoint p :
         {QPoint(1, 2), QPoint(2, 1), QPoint(2, H - 2), QPoint(1, H - 3), QPoint(W - 2, H - 3),
          QPoint(W - 3, H - 2), QPoint(W - 3, 1), QPoint(W - 2, 2)})
        pixel(p.x(), p.y(), RGB(191, 199, 202));
}

void Face::outlinedCustom()
{
    switch (s.state) {
    case Disabled:
        background(C);
        frame(0, 0, W - 1, H - 1, down(C, 64));
        disabledCorners(down(C, 53));
        return;
    case Pressed: {
        rows(down(C, 37), down(C, 21), 2, 1, W - 1, 4);
        rows(down(C, 21), down(C, 5), 2, 4, W - 1, H - 8);
        rows(down(C, 5), up(C, 5), 3, H - 4, W - 1, 3);
        rows(down(C, 32), down(C, 22), 1, 3, 2, H - 5);
        rows(down(C, 24), down(C, 15), 2, 4, 3, H - 7);
        pixel(1, 2, down(C, 48));
        pixel(2, 1, down(C, 48));
        pixel(2, H - 2, down(C, 5));
        pixel(1, H - 3, down(C, 16));
        pixel(W - 2, H - 3, up(C, 18));
        pixel(W - 3, H - 2, up(C, 8));
        pixel(W - 3, 1, down(C, 48));
        pixel(W - 2, 2, down(C, 37));
        const OleColor outline = down(C, 128);
        line(1, 0, W - 1, 0, outline);
        line(0, 1, 0, H - 1, outline);
        line(W - 1, 1, W - 1, H - 1, outline);
        line(1, H - 1, W - 1, H - 1, outline);
        innerCorners(down(C, 96));
        return;
    }
    default:
        break;
    }
    background(C);
    rows(C, down(C, 15), 1, 1, W - 2, H - 3);
    rows(up(C, 21), down(C, 21), 1, 2, 2, H - 5);
    rows(down(C, 5), down(C, 32), W - 2, 2, W - 3, H - 5);
    line(2, 1, W - 2, 1, up(C, 5));
    line(1, 2, W - 1, 2, up(C, 2));
    line(2, H - 4, W - 2, H - 4, down(C, 16));
    line(2, H - 3, W - 2, H - 3, down(C, 24));
    line(2, H - 2, W - 2, H - 2, down(C, 37));
    const OleColor outline = down(C, 128);
    line(2, 0, W - 2, 0, outline);
    line(0, 2, 0, H - 2, outline);
    line(2, H - 1, W - 2, H - 1, outline);
    line(W - 1, 0, W - 1, H, outline);
    innerCorners(outline);
    outerCorners(down(C, 21));

    bool ring = false;
    OleColor q = 0;
    if (s.state == Hot) {
        ring = true;
        q = s.highlightColor;
    } else if (s.state == Normal && s.hasFocus && s.showFocus) {
        ring = true;
        q = HL;
    }
    if (ring) {
        line(2, 1, W - 2, 1, up(q, 85));
        line(2, 2, W - 2, 2, up(q, 69));
        line(2, H - 3, W - 2, H - 3, up(q, 16));
        line(2, H - 2, W - 2, H - 2, q);
        rows(up(q, 69), up(q, 16), 1, 2, 3, H - 5);
        rows(up(q, 69), up(q, 16), W - 3, 2, W - 1, H - 5);
    }
}

void Face::derived()
{
    int k = 8;
    switch (s.state) {
    case Hot:
        k = 24;
        break;
    case Pressed:
        k = -9;
        break;
    case Disabled:
        k = 18;
        break;
    default:
        break;
    }
    const OleColor B = ShiftColor(C, k);
    const OleColor outline = down(B, 96);
    auto drawOutline = [&] {
        line(2, 0, W - 2, 0, outline);
        line(0, 2, 0, H - 2, outline);
        line(2, H - 1, W - 2, H - 1, outline);
        line(W - 1, 0, W - 1, H, outline);
        innerCorners(outline);
    };
    if (s.state == Pressed) {
        rows(down(B, 15), B, 1, 1, W - 2, H - 2);
        rows(down(B, 21), up(B, 21), W - 2, 2, W - 3, H - 5);
        rows(down(B, 32), down(B, 5), 1, 2, 2, H - 5);
        drawOutline();
        outerCorners(down(C, 21));
        line(2, H - 2, W - 2, H - 2, up(C, 8));
        line(2, 1, W - 2, 1, down(C, 21));
        return;
    }
    background(B);
    const int spread = s.state == Hot ? 16 : 15;
    rows(up(B, spread), down(B, spread), 1, 1, W - 2, H - 3);
    rows(up(B, 21), down(B, 21), 1, 2, 2, H - 5);
    rows(down(B, 5), down(B, 32), W - 2, 2, W - 3, H - 5);
    drawOutline();
    outerCorners(s.state == Disabled ? up(C, 5) : down(C, 21));
    if (s.state == Normal || s.state == Disabled) {
        line(2, 1, W - 2, 1, up(C, 21));
        line(2, H - 2, W - 2, H - 2, down(C, 37));
    }
    // The ring needs no ShowFocus in this look.
    if (s.state == Hot || (s.state == Normal && s.hasFocus)) {
        line(2, 1, W - 2, 1, up(R, 21));
        line(1, 2, W - 1, 2, up(R, 21));
        line(1, H - 3, W - 1, H - 3, down(R, 5));
        line(2, H - 2, W - 2, H - 2, down(R, 21));
    }
}

void Face::shadowed()
{
    OleColor B = C;
    if (s.state != Normal)
        B = s.useCustomColors ? s.highlightColor : up(F, 15);
    const OleColor O = down(C, 48);
    const bool pressed = s.state == Pressed;
    background(B);
    if (pressed)
        rows(down(B, 15), up(B, 15), 2, 2, W - 3, H - 6);
    else
        rows(up(B, 15), down(B, 15), 2, 2, W - 3, H - 6);
    const OleColor light = pressed ? B : up(B, 96);
    const OleColor dark = pressed ? up(B, 96) : B;
    line(2, 1, W - 3, 1, light);
    line(1, 2, 1, H - 3, light);
    line(2, H - 3, W - 2, H - 3, dark);
    line(W - 2, 2, W - 2, H - 3, dark);
    line(2, 0, W - 3, 0, O);
    line(0, 2, 0, H - 3, O);
    line(2, H - 2, W - 3, H - 2, O);
    line(W - 2, 2, W - 2, H - 3, O);
    for (QPoint p : {QPoint(1, 1), QPoint(1, H - 3), QPoint(W - 3, 1), QPoint(W - 3, H - 3)})
        pixel(p.x(), p.y(), O);
    const OleColor shadow = up(O, 21);
    line(3, H - 1, W - 4, H - 1, shadow);
    line(W - 1, 3, W - 1, H - 4, shadow);
    line(W - 4, H - 1, W, H - 5, shadow);
    line(W - 3, H - 1, W, H - 4, up(shadow, 15));
}

void Face::banded()
{
    int k = -15;
    switch (s.state) {
    case Hot:
        k = 1;
        break;
    case Pressed:
        k = 24;
        break;
    case Disabled:
        k = 15;
        break;
    default:
        break;
    }
    OleColor base = F;
    if (s.useCustomColors)
        base = (s.state == Hot || s.state == Pressed) ? s.highlightColor : s.backColor;
    const OleColor B = ShiftColor(base, k);

    background(B);
    rows(up(B, 32), down(B, 32), 5, 2, W - 5, H - 6); // face
    rows(up(B, 128), down(B, 128), 0, 0, 1, H - 4);   // left outer edge
    rows(B, down(B, 37), 2, 4, 3, half(7));           // left upper bevel
    rows(B, down(B, 53), 3, 3, 4, half(7));
    rows(B, down(B, 37), 4, 2, 5, half(7));
    rows(up(B, 37), up(B, 5), 5, 2, 6, half(4));            // left upper highlight
    rows(down(B, 37), down(B, 32), 2, half(2), 3, half(5)); // left lower bevel
    rows(down(B, 53), down(B, 32), 3, half(3), 4, half(3));
    rows(down(B, 37), down(B, 32), 4, half(4), 5, half(1));
    rows(up(B, 5), down(B, 5), 5, half(4), 6, half(3));  // left lower highlight
    cols(down(B, 53), down(B, 32), 5, H - 5, 12, H - 6); // bottom-left shading
    cols(down(B, 56), down(B, 32), 4, H - 6, 7, H - 7);
    cols(down(B, 37), down(B, 32), 3, H - 7, 5, H - 8);
    rows(up(B, 128), down(B, 128), W - 2, 0, W - 1, H - 4); // right edge
    rows(up(B, 128), down(B, 48), W - 1, 0, W, half(0));    // right outer edge
    rows(down(B, 64), down(B, 8), W - 1, half(0), W, half(4));
    rows(B, down(B, 37), W - 4, 4, W - 3, half(5)); // right upper bevel
    rows(B, down(B, 48), W - 5, 3, W - 4, half(4));
    rows(B, down(B, 37), W - 6, 2, W - 5, half(3));
    rows(up(B, 37), up(B, 5), W - 7, 2, W - 6, half(4));            // right upper highlight
    rows(down(B, 37), down(B, 21), W - 4, half(0), W - 3, half(5)); // right lower bevel
    rows(down(B, 48), down(B, 37), W - 5, half(0), W - 4, half(5));
    rows(down(B, 37), down(B, 53), W - 6, half(0), W - 5, half(4));
    rows(down(B, 5), down(B, 37), W - 7, half(0), W - 6, half(4)); // right lower highlight
    cols(down(B, 32), down(B, 53), W - 15, H - 4, W - 7, H - 3);   // bottom-right shading
    line(3, 0, W - 3, 0, up(B, 48));                               // top edge
    line(1, 1, W - 1, 1, up(B, 48));
    line(5, 1, W - 5, 1, B);
    cols(up(B, 32), B, W - 11, 2, W - 4, 3); // top-right gloss
    cols(up(B, 32), B, W - 10, 3, W - 5, 4);
    cols(up(B, 32), B, W - 9, 4, W - 6, 5);
    line(6, 3, 7, 3, up(B, 128));
    line(3, H - 1, W - 3, H - 1, down(B, 16)); // bottom edge
    line(2, H - 2, W - 3, H - 2, down(B, 128));
    line(7, H - 3, W - 7, H - 3, B);
    pixel(1, H - 3, down(B, 112));
    pixel(W - 3, H - 3, down(B, 112));
    line(W - 4, H - 1, W - 1, H - 4, down(B, 21)); // bottom-right diagonal
}

void Face::skin()
{
    SkinKind kind = SkinKind::Silver;
    if (s.state == Pressed)
        kind = SkinKind::DarkBlue;
    else if (s.state == Hot || s.hasFocus)
        kind = SkinKind::Blue;
    drawSkin(canvas, skinImage(kind));
}

} // namespace

int halfMinus(int height, int k)
{
    return static_cast<int>(std::nearbyint(height / 2.0 - k));
}

void drawFace(ButtonCanvas& canvas, const FaceSettings& settings)
{
    Face face{canvas, settings, canvas.width(), canvas.height()};
    switch (settings.style) {
    case ButtonStyle::Raised:
        face.raised();
        break;
    case ButtonStyle::ThinRaised:
        face.thinOrFlat(false);
        break;
    case ButtonStyle::Flat:
        face.thinOrFlat(true);
        break;
    case ButtonStyle::Etched:
        face.etched();
        break;
    case ButtonStyle::Tinted:
        face.tinted();
        break;
    case ButtonStyle::Outlined:
        if (settings.useCustomColors)
            face.outlinedCustom();
        else
            face.outlinedFixed();
        break;
    case ButtonStyle::Derived:
        face.derived();
        break;
    case ButtonStyle::Shadowed:
        face.shadowed();
        break;
    case ButtonStyle::Banded:
        face.banded();
        break;
    case ButtonStyle::Skin:
        face.skin();
        break;
    case ButtonStyle::Themed:
    default:
        break;
    }
}

QRegion styleRegion(ButtonStyle style, int width, int height)
{
    const int W = width;
    const int H = height;
    switch (style) {
    case ButtonStyle::Outlined:
    case ButtonStyle::Derived:
        return QRegion(
            QPolygon({QPoint(0, 1), QPoint(1, 0), QPoint(W - 1, 0), QPoint(W, 1), QPoint(W, H - 2),
                      QPoint(W - 2, H), QPoint(2, H), QPoint(0, H - 2)}),
            Qt::OddEvenFill);
    case ButtonStyle::Shadowed:
    case ButtonStyle::Banded:
        return QRegion(
            QPolygon({QPoint(0, 2), QPoint(2, 0), QPoint(W - 3, 0), QPoint(W, 3), QPoint(W, H - 3),
                      QPoint(W - 3, H), QPoint(4, H), QPoint(0, H - 4)}),
            Qt::OddEvenFill);
    case ButtonStyle::Skin:
        return roundedRegion(W, H);
    default:
        return QRegion(0, 0, W, H);
    }
}

int iconMargin(ButtonStyle style)
{
    switch (style) {
    case ButtonStyle::Outlined:
    case ButtonStyle::Derived:
        return 5;
    case ButtonStyle::Banded:
    case ButtonStyle::Skin:
        return 7;
    default:
        return 4;
    }
}

} // namespace kelvane
