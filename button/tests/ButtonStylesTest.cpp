#include "button/ButtonFaces.h"
#include "button/tests/ButtonRenderFixture.h"

using namespace kelvane;
using namespace kelvane::test;

namespace {

OleColor up(OleColor c, int k)
{
    return ShiftColor(c, k);
}
OleColor down(OleColor c, int k)
{
    return ShiftColor(c, -k);
}

// Which pixels the face's drawing steps set, row by row.
std::vector<bool> writtenPixels(const ButtonCanvas& canvas)
{
    std::vector<bool> written;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            written.push_back(canvas.written(x, y));
    return written;
}

PropertyBag customColours(OleColor back, OleColor highlight)
{
    PropertyBag bag;
    bag.writeBool(u"USeCustomColors"_s, true);
    bag.writeColour(u"BackColor"_s, back);
    bag.writeColour(u"HighlightColor"_s, highlight);
    return bag;
}

// Style 9 as its step table gives it, drawn by a plain model of the drawing operations
// (lines leave out their end point; gradients step in single precision and round half to
// even), apart from the button's own canvas and face code.
class Style9Reference
{
public:
    Style9Reference(int w, int h, OleColor base)
        : W(w), H(h), B(base), m_pixels(static_cast<std::size_t>(w * h), base)
    {
        draw();
    }
    OleColor at(int x, int y) const { return m_pixels[static_cast<std::size_t>(y * W + x)]; }

private:
    static int channel(OleColor c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
    static OleColor rgb(int r, int g, int b) { return static_cast<OleColor>(r | g << 8 | b << 16); }
    OleColor plus(int k) const
    {
        auto c = [&](int shift) { return std::clamp(channel(B, shift) + k, 0, 255); };
        return rgb(c(0), c(8), c(16));
    }
    OleColor minus(int k) const { return plus(-k); }
    static OleColor between(OleColor c1, OleColor c2, int n, int i)
    {
        auto c = [&](int shift) {
            const float p = static_cast<float>(channel(c1, shift));
            const float step =
                static_cast<float>(channel(c2, shift) - channel(c1, shift)) / static_cast<float>(n);
            return std::clamp(static_cast<int>(std::nearbyint(p + step * static_cast<float>(i))), 0,
                              255);
        };
        return rgb(c(0), c(8), c(16));
    }
    int half(int k) const { return static_cast<int>(std::nearbyint(H / 2.0 - k)); }
    void pixel(int x, int y, OleColor c)
    {
        if (x >= 0 && y >= 0 && x < W && y < H)
            m_pixels[static_cast<std::size_t>(y * W + x)] = c;
    }
    // Straight across, straight down or at 45 degrees: all the table needs.
    void line(int x1, int y1, int x2, int y2, OleColor c)
    {
        const int dx = (x2 > x1) - (x2 < x1);
        const int dy = (y2 > y1) - (y2 < y1);
        for (int x = x1, y = y1; x != x2 || y != y2; x += dx, y += dy)
            pixel(x, y, c);
    }
    void rows(OleColor c1, OleColor c2, int x1, int y0, int x2, int n)
    {
        for (int i = 0; i <= n; ++i)
            line(x1, y0 + i, x2, y0 + i, between(c1, c2, n, i));
    }
    void cols(OleColor c1, OleColor c2, int x1, int y1, int x2, int y2)
    {
        for (int x = x1; x <= x2; ++x)
            line(x, y1, x, y2, between(c1, c2, x2 - x1, x - x1));
    }

    void draw()
    {
        // Step 1, the background, is the constructor's.
        rows(plus(32), minus(32), 5, 2, W - 5, H - 6);              // 2
        rows(plus(128), minus(128), 0, 0, 1, H - 4);                // 3
        rows(B, minus(37), 2, 4, 3, half(7));                       // 4
        rows(B, minus(53), 3, 3, 4, half(7));                       // 5
        rows(B, minus(37), 4, 2, 5, half(7));                       // 6
        rows(plus(37), plus(5), 5, 2, 6, half(4));                  // 7
        rows(minus(37), minus(32), 2, half(2), 3, half(5));         // 8
        rows(minus(53), minus(32), 3, half(3), 4, half(3));         // 9
        rows(minus(37), minus(32), 4, half(4), 5, half(1));         // 10
        rows(plus(5), minus(5), 5, half(4), 6, half(3));            // 11
        cols(minus(53), minus(32), 5, H - 5, 12, H - 6);            // 12
        cols(minus(56), minus(32), 4, H - 6, 7, H - 7);             // 13
        cols(minus(37), minus(32), 3, H - 7, 5, H - 8);             // 14
        rows(plus(128), minus(128), W - 2, 0, W - 1, H - 4);        // 15
        rows(plus(128), minus(48), W - 1, 0, W, half(0));           // 16
        rows(minus(64), minus(8), W - 1, half(0), W, half(4));      // 17
        rows(B, minus(37), W - 4, 4, W - 3, half(5));               // 18
        rows(B, minus(48), W - 5, 3, W - 4, half(4));               // 19
        rows(B, minus(37), W - 6, 2, W - 5, half(3));               // 20
        rows(plus(37), plus(5), W - 7, 2, W - 6, half(4));          // 21
        rows(minus(37), minus(21), W - 4, half(0), W - 3, half(5)); // 22
        rows(minus(48), minus(37), W - 5, half(0), W - 4, half(5)); // 23
        rows(minus(37), minus(53), W - 6, half(0), W - 5, half(4)); // 24
        rows(minus(5), minus(37), W - 7, half(0), W - 6, half(4));  // 25
        cols(minus(32), minus(53), W - 15, H - 4, W - 7, H - 3);    // 26
        line(3, 0, W - 3, 0, plus(48));                             // 27
        line(1, 1, W - 1, 1, plus(48));                             // 28
        line(5, 1, W - 5, 1, B);                                    // 29
        cols(plus(32), B, W - 11, 2, W - 4, 3);                     // 30
        cols(plus(32), B, W - 10, 3, W - 5, 4);                     // 31
        cols(plus(32), B, W - 9, 4, W - 6, 5);                      // 32
        line(6, 3, 7, 3, plus(128));                                // 33
        line(3, H - 1, W - 3, H - 1, minus(16));                    // 34
        line(2, H - 2, W - 3, H - 2, minus(128));                   // 35
        line(7, H - 3, W - 7, H - 3, B);                            // 36
        pixel(1, H - 3, minus(112));                                // 37
        pixel(W - 3, H - 3, minus(112));
        line(W - 4, H - 1, W - 1, H - 4, minus(21)); // 38
    }

    int W;
    int H;
    OleColor B;
    std::vector<OleColor> m_pixels;
};

// The pixels where a canvas differs from the reference, as "x,y", at most a few.
std::vector<std::string> differences(const ButtonCanvas& canvas, const Style9Reference& expected)
{
    std::vector<std::string> found;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) != expected.at(x, y) && found.size() < 8)
                found.push_back(std::to_string(x) + "," + std::to_string(y));
    return found;
}

} // namespace

using ButtonStylesTest = ButtonRenderTest;

// --- Style 9, the program's buttons ---

TEST_F(ButtonStylesTest, Style9FaceGradientRunsOverRowsTwoToSixteen)
{
    place(9, QSize(105, 20));
    const QImage image = shot();
    const OleColor B = down(kFace, 15); // at rest, a little darker than the button face
    // B+32 to B-32 over 14 steps of -4.571: row 9 is B itself.
    EXPECT_EQ(at(image, 50, 2), up(B, 32));
    EXPECT_EQ(at(image, 50, 3), up(B, 27)); // 27.43
    EXPECT_EQ(at(image, 50, 9), B);
    EXPECT_EQ(at(image, 50, 12), down(B, 14)); // 13.71
    EXPECT_EQ(at(image, 50, 16), down(B, 32));
    EXPECT_EQ(at(image, 6, 16), down(B, 32));
    EXPECT_EQ(at(image, 89, 16), down(B, 32));
    // Above and below the face: the plain rows of steps 29 and 36.
    EXPECT_EQ(at(image, 50, 1), B);
    EXPECT_EQ(at(image, 50, 17), B);
    EXPECT_EQ(at(image, 50, 0), up(B, 48));
    EXPECT_EQ(at(image, 50, 18), down(B, 128));
    EXPECT_EQ(at(image, 50, 19), down(B, 16));
}

TEST_F(ButtonStylesTest, Style9WholeFaceFollowsItsStepsInEveryStateAtBothHeights)
{
    const struct
    {
        ButtonStates state;
        int shift;
    } states[] = {{ButtonStates::Normal, -15},
                  {ButtonStates::Hot, 1},
                  {ButtonStates::Pressed, 24},
                  {ButtonStates::Disabled, 15}};
    for (int height : {20, 21}) {
        ButtonCanvas canvas;
        canvas.resize(QSize(105, height));
        for (const auto& [state, shift] : states) {
            SCOPED_TRACE(testing::Message()
                         << "height " << height << ", state " << static_cast<int>(state));
            FaceSettings face;
            face.style = ButtonStyle::Banded;
            face.state = state;
            drawFace(canvas, face);
            EXPECT_EQ(differences(canvas, Style9Reference(105, height, ShiftColor(kFace, shift))),
                      std::vector<std::string>{});
        }
    }
    // The button itself draws the same face on its canvas.
    place(9, QSize(105, 21));
    shot();
    EXPECT_EQ(differences(button->canvas(), Style9Reference(105, 21, ShiftColor(kFace, -15))),
              std::vector<std::string>{});
}

TEST_F(ButtonStylesTest, Style9UpperBevelColumnsCoverFourRowsEachInEveryState)
{
    place(9, QSize(105, 20));
    auto bevelOf = [&](OleColor B) {
        const QImage image = shot();
        // Column 4 rows 2-5, column 3 rows 3-6, column 2 rows 4-7.
        EXPECT_EQ(at(image, 4, 2), B);
        EXPECT_EQ(at(image, 4, 3), down(B, 12));
        EXPECT_EQ(at(image, 4, 4), down(B, 25));
        EXPECT_EQ(at(image, 4, 5), down(B, 37));
        EXPECT_EQ(at(image, 3, 2), B); // background above
        EXPECT_EQ(at(image, 3, 3), B);
        EXPECT_EQ(at(image, 3, 4), down(B, 18));
        EXPECT_EQ(at(image, 3, 6), down(B, 53));
        EXPECT_EQ(at(image, 2, 3), B);
        EXPECT_EQ(at(image, 2, 4), B);
        EXPECT_EQ(at(image, 2, 7), down(B, 37));
        // Below them the lower bevel starts.
        EXPECT_EQ(at(image, 4, 6), down(B, 37));
        EXPECT_EQ(at(image, 3, 7), down(B, 53));
        EXPECT_EQ(at(image, 2, 8), down(B, 37));
    };
    {
        SCOPED_TRACE("normal");
        bevelOf(down(kFace, 15));
    }
    hover();
    {
        SCOPED_TRACE("hot");
        bevelOf(up(kFace, 1));
    }
    press();
    {
        SCOPED_TRACE("pressed");
        bevelOf(up(kFace, 24));
    }
    release();
    button->setEnabled(false);
    {
        SCOPED_TRACE("disabled");
        bevelOf(up(kFace, 15));
    }
}

TEST_F(ButtonStylesTest, Style9SetsTheSamePixelsInEveryState)
{
    ButtonCanvas canvas;
    canvas.resize(QSize(105, 20));
    canvas.setRecordingWrites(true);
    FaceSettings face;
    face.style = ButtonStyle::Banded;
    std::vector<bool> shapes[4];
    QImage pictures[4];
    for (int state = 1; state <= 4; ++state) {
        face.state = static_cast<ButtonStates>(state);
        drawFace(canvas, face);
        shapes[state - 1] = writtenPixels(canvas);
        pictures[state - 1] = canvas.image().copy();
    }
    // Only the four outer corners of the clipped outline and the odd gap stay background.
    EXPECT_FALSE(canvas.written(0, 19));
    EXPECT_TRUE(canvas.written(50, 10));
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(shapes[i], shapes[0]) << "state " << i + 1;
        EXPECT_NE(pictures[i], pictures[0]) << "state " << i + 1;
    }
}

TEST_F(ButtonStylesTest, Style9WithOddHeightRoundsHalfRowsToEven)
{
    place(9, QSize(105, 21));
    const QImage image = shot();
    const OleColor B = down(kFace, 15);
    // H/2 - 7 = 3.5 -> 4: column 4 runs B to B-37 over five rows (steps of 9.25).
    EXPECT_EQ(at(image, 4, 2), B);
    EXPECT_EQ(at(image, 4, 3), down(B, 9));
    EXPECT_EQ(at(image, 4, 5), down(B, 28)); // 27.75
    EXPECT_EQ(at(image, 4, 6), down(B, 37));
    // H/2 = 10.5 -> 10: the right outer edge's lower half starts at row 10.
    EXPECT_EQ(at(image, 104, 10), down(B, 64));
}

TEST_F(ButtonStylesTest, Style9WithCustomColoursUsesBackAndHighlightColour)
{
    const OleColor back = RGB(100, 150, 200);
    const OleColor highlight = RGB(200, 120, 60);
    place(9, QSize(105, 20), customColours(back, highlight));
    EXPECT_EQ(at(shot(), 50, 9), down(back, 15));
    hover();
    EXPECT_EQ(at(shot(), 50, 9), up(highlight, 1));
    press();
    EXPECT_EQ(at(shot(), 50, 9), up(highlight, 24));
    release();
    button->setEnabled(false);
    EXPECT_EQ(at(shot(), 50, 9), up(back, 15));
}

TEST_F(ButtonStylesTest, Style9IgnoresFocus)
{
    place(9, QSize(105, 20));
    const QImage before = shot();
    focus();
    EXPECT_EQ(shot(), before);
}

// --- Regions ---

TEST_F(ButtonStylesTest, LargerClippedCornersForStyles8And9)
{
    for (int style : {8, 9}) {
        SCOPED_TRACE(style);
        place(style, QSize(105, 20));
        const QRegion region = button->mask();
        for (QPoint out : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(102, 0), QPoint(103, 1),
                           QPoint(104, 2), QPoint(0, 17), QPoint(1, 18), QPoint(2, 19),
                           QPoint(104, 18), QPoint(103, 19)})
            EXPECT_FALSE(region.contains(out)) << out.x() << "," << out.y();
        for (QPoint in : {QPoint(2, 0), QPoint(1, 1), QPoint(0, 2), QPoint(101, 0), QPoint(102, 1),
                          QPoint(103, 2), QPoint(104, 3), QPoint(0, 16), QPoint(1, 17),
                          QPoint(3, 19), QPoint(104, 17), QPoint(102, 19)})
            EXPECT_TRUE(region.contains(in)) << in.x() << "," << in.y();
        delete button;
    }
}

TEST_F(ButtonStylesTest, SmallerClippedCornersForStyles5And7)
{
    for (int style : {5, 7}) {
        SCOPED_TRACE(style);
        place(style, QSize(105, 20));
        const QRegion region = button->mask();
        for (QPoint out : {QPoint(0, 0), QPoint(104, 0), QPoint(0, 19), QPoint(104, 19)})
            EXPECT_FALSE(region.contains(out)) << out.x() << "," << out.y();
        for (QPoint in : {QPoint(1, 0), QPoint(0, 1), QPoint(103, 0), QPoint(104, 1), QPoint(0, 18),
                          QPoint(1, 19), QPoint(104, 18), QPoint(103, 19)})
            EXPECT_TRUE(region.contains(in)) << in.x() << "," << in.y();
        delete button;
    }
}

TEST_F(ButtonStylesTest, RoundedOutlineForStyle10)
{
    place(10, QSize(105, 30));
    const QRegion region = button->mask();
    EXPECT_FALSE(region.contains(QPoint(5, 0)));
    EXPECT_TRUE(region.contains(QPoint(6, 0)));
    EXPECT_TRUE(region.contains(QPoint(99, 0)));
    EXPECT_FALSE(region.contains(QPoint(100, 0)));
    EXPECT_FALSE(region.contains(QPoint(0, 5)));
    EXPECT_TRUE(region.contains(QPoint(0, 6)));
    EXPECT_FALSE(region.contains(QPoint(3, 29)));
    EXPECT_TRUE(region.contains(QPoint(4, 29)));
    EXPECT_TRUE(region.contains(QPoint(104, 29)) == false);
    EXPECT_TRUE(region.contains(QPoint(52, 15)));
}

TEST_F(ButtonStylesTest, OtherStylesAreRectangular)
{
    for (int style : {0, 1, 2, 3, 4, 6, 11, -1}) {
        SCOPED_TRACE(style);
        place(style, QSize(105, 20));
        EXPECT_EQ(button->mask(), QRegion(0, 0, 105, 20));
        delete button;
    }
}

TEST_F(ButtonStylesTest, StyleChangeReshapesTheOutline)
{
    place(0, QSize(105, 20));
    EXPECT_TRUE(button->mask().contains(QPoint(0, 0)));
    button->setStyle(9);
    EXPECT_FALSE(button->mask().contains(QPoint(0, 0)));
}

// --- Style 5 ---

TEST_F(ButtonStylesTest, Style5ShowsTheBlueRingWhenFocusedAndNotHot)
{
    place(5, QSize(105, 24));
    EXPECT_EQ(at(shot(), 50, 1), RGB(252, 252, 251)); // the face
    focus();
    const QImage focused = shot();
    EXPECT_EQ(at(focused, 50, 1), RGB(206, 231, 255));
    EXPECT_EQ(at(focused, 50, 2), RGB(188, 212, 246));
    EXPECT_EQ(at(focused, 50, 21), RGB(137, 173, 228));
    EXPECT_EQ(at(focused, 50, 22), RGB(105, 130, 238));
    EXPECT_EQ(at(focused, 1, 5), at(focused, 2, 5));
    EXPECT_EQ(at(focused, 1, 2), RGB(191, 199, 202)); // the outline rounds the ring off
    EXPECT_EQ(at(focused, 50, 0), RGB(0, 60, 116));
}

TEST_F(ButtonStylesTest, Style5ShowsTheOrangeRingWhenHotFocusedOrNot)
{
    place(5, QSize(105, 24));
    hover();
    QImage hot = shot();
    EXPECT_EQ(at(hot, 50, 1), RGB(255, 240, 207));
    EXPECT_EQ(at(hot, 50, 2), RGB(253, 216, 137));
    EXPECT_EQ(at(hot, 50, 21), RGB(248, 179, 48));
    EXPECT_EQ(at(hot, 50, 22), RGB(229, 151, 16));
    EXPECT_EQ(at(hot, 103, 12), RGB(250, 197, 90)); // row 10 of 19 of the side bands
    focus();
    hot = shot();
    EXPECT_EQ(at(hot, 50, 1), RGB(255, 240, 207));
    EXPECT_EQ(at(hot, 50, 22), RGB(229, 151, 16));
}

TEST_F(ButtonStylesTest, Style5ShowsNoRingWhenPressedOrDisabled)
{
    place(5, QSize(105, 24));
    focus();
    hover();
    press();
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 1), RGB(209, 204, 193));
    EXPECT_EQ(at(image, 50, 0), RGB(0, 60, 116));
    release();
    button->setEnabled(false);
    image = shot();
    EXPECT_EQ(at(image, 50, 1), RGB(245, 244, 234));
    EXPECT_EQ(at(image, 50, 0), RGB(201, 199, 186));
    EXPECT_EQ(at(image, 1, 1), RGB(216, 213, 199));
}

TEST_F(ButtonStylesTest, Style5CustomRingNeedsFocusAndShowFocus)
{
    const OleColor back = RGB(100, 150, 200);
    const OleColor highlight = RGB(200, 120, 60);
    place(5, QSize(105, 24), customColours(back, highlight));
    focus();
    EXPECT_EQ(at(shot(), 50, 1), up(back, 5)); // focused, but ShowFocus is off
    button->setShowFocus(true);
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 1), up(kHighlight, 85)); // the system highlight
    EXPECT_EQ(at(image, 50, 22), kHighlight);
    hover();
    image = shot();
    EXPECT_EQ(at(image, 50, 1), up(highlight, 85));
    EXPECT_EQ(at(image, 50, 21), up(highlight, 16));
    EXPECT_EQ(at(image, 0, 10), down(back, 128));
}

// --- Style 7 ---

TEST_F(ButtonStylesTest, Style7RingNeedsNoShowFocus)
{
    place(7, QSize(105, 24));
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 1), up(kFace, 21));
    EXPECT_EQ(at(image, 50, 22), down(kFace, 37));
    focus();
    image = shot();
    EXPECT_EQ(at(image, 50, 1), up(kHighlight, 21));
    EXPECT_EQ(at(image, 50, 2), up(kHighlight, 21));
    EXPECT_EQ(at(image, 50, 21), down(kHighlight, 5));
    EXPECT_EQ(at(image, 50, 22), down(kHighlight, 21));
    EXPECT_EQ(at(image, 50, 0), down(up(kFace, 8), 96));
}

// --- Style 8 ---

TEST_F(ButtonStylesTest, Style8HasALightRimAndAShadowOnTwoSides)
{
    place(8, QSize(105, 20));
    const OleColor O = down(kFace, 48);
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 1), up(kFace, 96));
    EXPECT_EQ(at(image, 1, 10), up(kFace, 96));
    EXPECT_EQ(at(image, 50, 17), kFace);
    EXPECT_EQ(at(image, 50, 0), O);
    EXPECT_EQ(at(image, 103, 10), O);
    EXPECT_EQ(at(image, 50, 19), up(O, 21));
    EXPECT_EQ(at(image, 104, 10), up(O, 21));
    EXPECT_EQ(at(image, 101, 19), up(O, 21)); // the corner's diagonals
    EXPECT_EQ(at(image, 103, 17), up(O, 21));
    EXPECT_EQ(at(image, 102, 19), up(O, 36));
    EXPECT_EQ(at(image, 104, 17), up(O, 36));
    press();
    image = shot();
    const OleColor B = up(kFace, 15);
    EXPECT_EQ(at(image, 50, 1), B);
    EXPECT_EQ(at(image, 50, 17), up(B, 96));
    EXPECT_EQ(at(image, 50, 2), down(B, 15));
    EXPECT_EQ(at(image, 50, 0), O);
}

// --- Style 10 ---

TEST_F(ButtonStylesTest, Style10ImagesFollowStateAndFocus)
{
    place(10, QSize(105, 30));
    QImage image = shot();
    EXPECT_EQ(at(image, 52, 15), RGB(232, 231, 234));
    // The silver image's fixed strip lines.
    EXPECT_EQ(at(image, 0, 15), RGB(247, 247, 247));
    EXPECT_EQ(at(image, 1, 15), RGB(160, 160, 160));
    EXPECT_EQ(at(image, 2, 15), RGB(153, 153, 153));
    EXPECT_EQ(at(image, 3, 15), RGB(195, 195, 195));
    EXPECT_EQ(at(image, 52, 0), RGB(106, 105, 103));
    EXPECT_EQ(at(image, 52, 1), RGB(246, 244, 245));
    EXPECT_EQ(at(image, 52, 2), RGB(244, 242, 243));
    EXPECT_EQ(at(image, 52, 3), RGB(238, 238, 238));
    EXPECT_EQ(at(image, 52, 28), RGB(84, 84, 84));
    EXPECT_EQ(at(image, 52, 29), RGB(197, 197, 197));
    EXPECT_EQ(at(image, 6, 0), RGB(254, 254, 254));
    EXPECT_EQ(at(image, 8, 0), RGB(172, 172, 172));
    EXPECT_EQ(at(image, 11, 0), RGB(107, 107, 107));

    focus();
    image = shot();
    EXPECT_EQ(at(image, 52, 15), RGB(106, 166, 226));
    EXPECT_EQ(at(image, 1, 15), RGB(158, 160, 176));
    EXPECT_EQ(at(image, 2, 15), RGB(19, 46, 113));
    EXPECT_EQ(at(image, 3, 15), RGB(20, 95, 189));
    focusSink->setFocus();
    hover();
    EXPECT_EQ(at(shot(), 52, 15), RGB(106, 166, 226));
    press();
    EXPECT_EQ(at(shot(), 52, 15), RGB(106, 155, 204));
}

TEST_F(ButtonStylesTest, Style10PressedImageSetsTheBlueImagesPixels)
{
    ButtonCanvas canvas;
    canvas.resize(QSize(120, 40));
    canvas.setRecordingWrites(true);
    FaceSettings face;
    face.style = ButtonStyle::Skin;
    face.state = ButtonStates::Hot;
    drawFace(canvas, face);
    const std::vector<bool> blue = writtenPixels(canvas);
    const QImage bluePicture = canvas.image().copy();
    face.state = ButtonStates::Pressed;
    canvas.clear();
    drawFace(canvas, face);
    EXPECT_EQ(writtenPixels(canvas), blue);
    // Every pixel inside the outline is the skin's: no earlier background shows through.
    const QRegion outline = styleRegion(ButtonStyle::Skin, 120, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            EXPECT_EQ(blue[static_cast<std::size_t>(y * 120 + x)], outline.contains(QPoint(x, y)))
                << x << "," << y;
    int differing = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            differing += canvas.image().pixel(x, y) != bluePicture.pixel(x, y);
    EXPECT_GT(differing, 120 * 40 / 2); // darker almost everywhere, the rim aside
}

// --- Styles 0 to 4 ---

TEST_F(ButtonStylesTest, Style3HotFillsTheContentWithShadowAndFaceBlended)
{
    place(3, QSize(105, 20));
    hover();
    const QImage image = shot();
    const OleColor tint = BlendColors(kShadow, kFace);
    EXPECT_EQ(tint, RGB(160, 157, 152)); // 152.5 to even
    EXPECT_EQ(at(image, 4, 4), tint);
    EXPECT_EQ(at(image, 100, 15), tint);
    EXPECT_EQ(at(image, 3, 4), kFace);
    EXPECT_EQ(at(image, 101, 15), kFace);
    EXPECT_EQ(at(image, 50, 16), kFace);
    // The etched frame: shadow outside, window colour inside, the tint at two corners.
    EXPECT_EQ(at(image, 0, 0), kShadow);
    EXPECT_EQ(at(image, 1, 1), kWindow);
    EXPECT_EQ(at(image, 104, 0), tint);
    EXPECT_EQ(at(image, 0, 19), tint);
}

TEST_F(ButtonStylesTest, Style0RaisesAndSinksItsEdge)
{
    place(0, QSize(105, 20));
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 0), kLight);
    EXPECT_EQ(at(image, 50, 1), kHilight);
    EXPECT_EQ(at(image, 50, 19), kDarkShadow);
    EXPECT_EQ(at(image, 50, 18), kShadow);
    EXPECT_EQ(at(image, 50, 10), kFace);
    press();
    image = shot();
    EXPECT_EQ(at(image, 50, 0), kShadow);
    EXPECT_EQ(at(image, 50, 1), kDarkShadow);
    EXPECT_EQ(at(image, 50, 19), kHilight);
}

TEST_F(ButtonStylesTest, Style2IsFlatUntilHot)
{
    place(2, QSize(105, 20), customColours(RGB(90, 90, 90), RGB(10, 200, 10)));
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 0), RGB(90, 90, 90));
    EXPECT_EQ(at(image, 50, 10), RGB(90, 90, 90));
    hover();
    image = shot();
    EXPECT_EQ(at(image, 50, 0), kHilight);
    EXPECT_EQ(at(image, 50, 19), kShadow);
    EXPECT_EQ(at(image, 50, 10), RGB(10, 200, 10));
}

TEST_F(ButtonStylesTest, Style1LosesItsBevelWhenDisabled)
{
    place(1, QSize(105, 20));
    EXPECT_EQ(at(shot(), 50, 0), kHilight);
    EXPECT_EQ(at(shot(), 50, 19), kShadow);
    press();
    EXPECT_EQ(at(shot(), 50, 0), kShadow);
    EXPECT_EQ(at(shot(), 50, 19), kHilight);
    release();
    button->setEnabled(false);
    const QImage image = shot();
    EXPECT_EQ(at(image, 50, 0), kFace);
    EXPECT_EQ(at(image, 0, 10), kFace);
    EXPECT_EQ(at(image, 104, 19), kFace);
}

TEST_F(ButtonStylesTest, Style4TintsHotAndPressedFromTheHighlight)
{
    place(4, QSize(105, 20));
    EXPECT_EQ(at(shot(), 104, 19), LightenColor(kFace, 32));
    hover();
    QImage image = shot();
    EXPECT_EQ(at(image, 50, 10), LightenColor(kHighlight, 176));
    EXPECT_EQ(at(image, 104, 10), kHighlight);
    EXPECT_EQ(at(image, 0, 0), kHighlight);
    press();
    EXPECT_EQ(at(shot(), 50, 10), LightenColor(kHighlight, 128));
}

TEST_F(ButtonStylesTest, StylesOutsideZeroToTenDrawNoFaceOnTheWhiteSurface)
{
    // Nothing has set the surface's background yet: it is still the white it starts with.
    place(11, QSize(105, 20));
    const QImage image = shot();
    const OleColor white = RGB(255, 255, 255);
    EXPECT_EQ(at(image, 0, 0), white);
    EXPECT_EQ(at(image, 50, 10), white);
    EXPECT_EQ(at(image, 104, 19), white);
    // A disabled repaint clears it to the button face, which later repaints keep.
    button->setEnabled(false);
    EXPECT_EQ(at(shot(), 50, 10), kFace);
    button->setEnabled(true);
    EXPECT_EQ(at(shot(), 50, 10), kFace);
}

TEST_F(ButtonStylesTest, DesignedButtonsShowTheirHotLookButStyle5)
{
    auto designed = [&](int style, QPoint at) {
        auto* b = new SkinButton(shell, host.get());
        b->setUserMode(false);
        b->setGeometry(QRect(at, QSize(105, 20)));
        PropertyBag bag;
        bag.writeText(u"Caption"_s, u" "_s);
        bag.writeInt(u"Style"_s, style);
        b->UserControl_ReadProperties(bag);
        return b;
    };
    SkinButton* nine = designed(9, QPoint(10, 10));
    SkinButton* five = designed(5, QPoint(10, 50));
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    focusSink->setFocus();
    auto shotOf = [](SkinButton* b) {
        return b->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_EQ(at(shotOf(nine), 50, 9), up(kFace, 1));
    EXPECT_EQ(nine->ButtonState(), ButtonStates::Hot);
    EXPECT_EQ(at(shotOf(five), 50, 1), RGB(252, 252, 251));
    EXPECT_EQ(five->ButtonState(), ButtonStates::Normal);
}

TEST_F(ButtonStylesTest, ToggleButtonSetDrawsPressed)
{
    PropertyBag bag;
    bag.writeInt(u"ButtonType"_s, 1);
    place(9, QSize(105, 20), bag);
    button->setValue(true);
    EXPECT_EQ(at(shot(), 50, 9), up(kFace, 24));
    EXPECT_EQ(button->ButtonState(), ButtonStates::Pressed);
}
