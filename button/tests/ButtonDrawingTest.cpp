#include "button/ButtonCanvas.h"
#include "button/ButtonColors.h"
#include "button/ButtonFaces.h"

#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

constexpr OleColor kPaper = RGB(1, 2, 3);
constexpr OleColor kInk = RGB(250, 100, 50);

ButtonCanvas paper(int w = 12, int h = 10)
{
    ButtonCanvas canvas;
    canvas.resize(QSize(w, h));
    canvas.setBackground(kPaper);
    return canvas;
}

// The inked pixels of a canvas as "x,y" strings, row by row.
std::vector<std::string> inked(const ButtonCanvas& canvas)
{
    std::vector<std::string> points;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) != kPaper)
                points.push_back(std::to_string(x) + "," + std::to_string(y));
    return points;
}

using Points = std::vector<std::string>;

} // namespace

TEST(ButtonColorsTest, ShiftColorMovesEveryChannelAndClamps)
{
    EXPECT_EQ(ShiftColor(RGB(10, 128, 250), 15), RGB(25, 143, 255));
    EXPECT_EQ(ShiftColor(RGB(10, 128, 250), -15), RGB(0, 113, 235));
    EXPECT_EQ(ShiftColor(RGB(200, 100, 0), 128), RGB(255, 228, 128));
}

TEST(ButtonColorsTest, LightenColorTruncates)
{
    // 32 + 223 * 100 / 255 = 32 + 87.45: 119.
    EXPECT_EQ(LightenColor(RGB(100, 0, 255), 32), RGB(119, 32, 255));
    EXPECT_EQ(LightenColor(RGB(40, 90, 160), 176), RGB(188, 203, 225));
    EXPECT_EQ(LightenColor(RGB(40, 90, 160), 0), RGB(40, 90, 160));
}

TEST(ButtonColorsTest, BlendColorsRoundsHalvesToEven)
{
    // 1.5 -> 2, 2.5 -> 2, 3.5 -> 4, 254.5 -> 254.
    EXPECT_EQ(BlendColors(RGB(1, 2, 3), RGB(2, 3, 4)), RGB(2, 2, 4));
    EXPECT_EQ(BlendColors(RGB(255, 0, 10), RGB(254, 0, 20)), RGB(254, 0, 15));
}

TEST(ButtonColorsTest, SystemColoursTranslateFromThePalette)
{
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Dark, QColor(7, 8, 9));
    palette.setColor(QPalette::Base, QColor(250, 251, 252));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(100, 101, 102));
    QApplication::setPalette(palette);
    EXPECT_EQ(TranslateColor(systemColorReference(kColorButtonShadow)), RGB(7, 8, 9));
    EXPECT_EQ(TranslateColor(systemColorReference(kColorWindow)), RGB(250, 251, 252));
    EXPECT_EQ(TranslateColor(systemColorReference(kColorGrayText)), RGB(100, 101, 102));
    QApplication::setPalette(saved);
}

TEST(ButtonCanvasTest, LinesLeaveOutTheirEndPointInEveryDirection)
{
    ButtonCanvas canvas = paper();
    canvas.DrawLine(2, 1, 3, 1, kInk); // one pixel
    EXPECT_EQ(inked(canvas), (Points{"2,1"}));

    canvas = paper();
    canvas.DrawLine(5, 2, 1, 2, kInk); // leftwards
    canvas.DrawLine(0, 6, 0, 3, kInk); // upwards
    EXPECT_EQ(inked(canvas), (Points{"2,2", "3,2", "4,2", "5,2", "0,4", "0,5", "0,6"}));

    canvas = paper();
    canvas.DrawLine(8, 9, 11, 6, kInk); // the diagonal up and right
    canvas.DrawLine(4, 4, 4, 4, kInk);  // nothing
    EXPECT_EQ(inked(canvas), (Points{"10,7", "9,8", "8,9"}));
}

TEST(ButtonCanvasTest, FrameBoxCoversBothEdgeColumnsAndRows)
{
    ButtonCanvas canvas = paper(6, 5);
    canvas.FrameBox(1, 1, 3, 2, kInk);
    EXPECT_EQ(inked(canvas),
              (Points{"1,1", "2,1", "3,1", "4,1", "1,2", "4,2", "1,3", "2,3", "3,3", "4,3"}));
}

TEST(ButtonCanvasTest, FillsLeaveTheirRightAndBottomEdgesOut)
{
    ButtonCanvas canvas = paper(6, 5);
    canvas.FillBox(1, 1, 2, 2, kInk);
    EXPECT_EQ(inked(canvas), (Points{"1,1", "2,1", "1,2", "2,2"}));
    canvas = paper(6, 5);
    canvas.FillRectWith(QRect(QPoint(3, 2), QPoint(5, 3)), kInk);
    EXPECT_EQ(inked(canvas), (Points{"3,2", "4,2"}));
}

TEST(ButtonCanvasTest, GradientRowsRunFromFirstToLastColourInclusive)
{
    ButtonCanvas canvas = paper(6, 8);
    canvas.DrawGradientRows(RGB(0, 10, 200), RGB(30, 0, 100), 1, 2, 4, 3);
    // Rows 2 to 5, columns 1 to 3; steps of 10, -3.33 and -33.33.
    EXPECT_EQ(canvas.pixel(1, 2), RGB(0, 10, 200));
    EXPECT_EQ(canvas.pixel(3, 3), RGB(10, 7, 167));
    EXPECT_EQ(canvas.pixel(2, 4), RGB(20, 3, 133));
    EXPECT_EQ(canvas.pixel(1, 5), RGB(30, 0, 100));
    EXPECT_EQ(canvas.pixel(4, 3), kPaper);
    EXPECT_EQ(canvas.pixel(1, 6), kPaper);
    EXPECT_EQ(canvas.pixel(1, 1), kPaper);
}

TEST(ButtonCanvasTest, GradientsRoundHalvesToEvenInSinglePrecision)
{
    EXPECT_EQ(ButtonCanvas::gradientChannel(0, 1, 2, 1), 0); // 0.5
    EXPECT_EQ(ButtonCanvas::gradientChannel(0, 3, 2, 1), 2); // 1.5
    EXPECT_EQ(ButtonCanvas::gradientChannel(0, 5, 2, 1), 2); // 2.5
    // 31/14 * 7 is 15.5 exactly, but 15.499999 in single precision.
    EXPECT_EQ(ButtonCanvas::gradientChannel(0, 31, 14, 7), 15);
    // 29/22 * 11 comes out 14.500001.
    EXPECT_EQ(ButtonCanvas::gradientChannel(0, 29, 22, 11), 15);

    ButtonCanvas canvas = paper(4, 4);
    canvas.DrawGradientColumns(RGB(0, 0, 0), RGB(5, 3, 1), 0, 1, 2, 2);
    EXPECT_EQ(canvas.pixel(0, 1), RGB(0, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 1), RGB(2, 2, 0)); // 2.5, 1.5, 0.5
    EXPECT_EQ(canvas.pixel(2, 1), RGB(5, 3, 1));
    EXPECT_EQ(canvas.pixel(1, 2), kPaper);
}

TEST(ButtonCanvasTest, ColumnsWhoseEndLiesAboveAreSinglePixels)
{
    ButtonCanvas canvas = paper(8, 6);
    canvas.DrawGradientColumns(RGB(10, 10, 10), RGB(40, 40, 40), 2, 4, 5, 3);
    EXPECT_EQ(inked(canvas), (Points{"2,4", "3,4", "4,4", "5,4"}));
    EXPECT_EQ(canvas.pixel(3, 4), RGB(20, 20, 20));
}

TEST(ButtonCanvasTest, SingleRowGradientTakesTheFirstColour)
{
    ButtonCanvas canvas = paper(4, 4);
    canvas.DrawGradientRows(kInk, RGB(0, 0, 0), 0, 1, 2, 0);
    EXPECT_EQ(inked(canvas), (Points{"0,1", "1,1"}));
    EXPECT_EQ(canvas.pixel(0, 1), kInk);
}

TEST(ButtonCanvasTest, WritesOutsideTheSurfaceAreDropped)
{
    ButtonCanvas canvas = paper(4, 4);
    canvas.DrawLine(-3, 1, 9, 1, kInk);
    canvas.setPixel(4, 0, kInk);
    canvas.FillBox(2, 2, 10, 10, kInk);
    EXPECT_EQ(inked(canvas), (Points{"0,1", "1,1", "2,1", "3,1", "2,2", "3,2", "2,3", "3,3"}));
    EXPECT_EQ(canvas.pixel(-1, 0), 0u);
}

TEST(ButtonCanvasTest, EtchedFrameHasItsCornerAndBlendPixels)
{
    ButtonCanvas canvas = paper(8, 6);
    const OleColor dark = RGB(100, 100, 100);
    const OleColor light = RGB(255, 255, 255);
    const OleColor tint = RGB(9, 9, 9);
    canvas.DrawEtchedFrame(0, 0, 7, 5, dark, light, tint);
    // The outer frame covers columns 0 to 6 and rows 0 to 4, the inner one 1 to 7 and 1 to 5.
    EXPECT_EQ(canvas.pixel(0, 0), dark);
    EXPECT_EQ(canvas.pixel(6, 0), dark);
    EXPECT_EQ(canvas.pixel(7, 0), tint);
    EXPECT_EQ(canvas.pixel(0, 5), tint);
    EXPECT_EQ(canvas.pixel(1, 4), RGB(178, 178, 178)); // 177.5, to even
    EXPECT_EQ(canvas.pixel(6, 1), RGB(178, 178, 178));
    EXPECT_EQ(canvas.pixel(5, 1), light);
    EXPECT_EQ(canvas.pixel(7, 1), light);
    EXPECT_EQ(canvas.pixel(7, 5), light);
    EXPECT_EQ(canvas.pixel(1, 5), light);
    EXPECT_EQ(canvas.pixel(3, 2), kPaper);
}

TEST(ButtonCanvasTest, EdgesAreTheClassicBevels)
{
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Light, QColor(255, 255, 255));    // 3-D highlight
    palette.setColor(QPalette::Midlight, QColor(220, 220, 220)); // 3-D light
    palette.setColor(QPalette::Dark, QColor(128, 128, 128));     // shadow
    palette.setColor(QPalette::Shadow, QColor(10, 10, 10));      // dark shadow
    QApplication::setPalette(palette);

    ButtonCanvas canvas = paper(6, 5);
    canvas.DrawEdgeBox(0, 0, 6, 5, 5); // raised
    EXPECT_EQ(canvas.pixel(0, 0), RGB(220, 220, 220));
    EXPECT_EQ(canvas.pixel(3, 0), RGB(220, 220, 220));
    EXPECT_EQ(canvas.pixel(0, 3), RGB(220, 220, 220));
    EXPECT_EQ(canvas.pixel(5, 0), RGB(10, 10, 10)); // the dark sides own the shared corners
    EXPECT_EQ(canvas.pixel(0, 4), RGB(10, 10, 10));
    EXPECT_EQ(canvas.pixel(5, 4), RGB(10, 10, 10));
    EXPECT_EQ(canvas.pixel(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(canvas.pixel(4, 1), RGB(128, 128, 128));
    EXPECT_EQ(canvas.pixel(1, 3), RGB(128, 128, 128));
    EXPECT_EQ(canvas.pixel(2, 2), kPaper);

    canvas = paper(6, 5);
    canvas.DrawEdgeBox(0, 0, 6, 5, 10); // sunken
    EXPECT_EQ(canvas.pixel(2, 0), RGB(128, 128, 128));
    EXPECT_EQ(canvas.pixel(5, 2), RGB(255, 255, 255));
    EXPECT_EQ(canvas.pixel(2, 1), RGB(10, 10, 10));
    EXPECT_EQ(canvas.pixel(4, 2), RGB(220, 220, 220));

    // A lone inner or outer border is one pixel wide, at the outside.
    canvas = paper(6, 5);
    canvas.DrawEdgeBox(0, 0, 6, 5, 4);
    EXPECT_EQ(canvas.pixel(2, 0), RGB(255, 255, 255));
    EXPECT_EQ(canvas.pixel(2, 4), RGB(128, 128, 128));
    EXPECT_EQ(canvas.pixel(2, 1), kPaper);
    canvas = paper(6, 5);
    canvas.DrawEdgeBox(0, 0, 6, 5, 2);
    EXPECT_EQ(canvas.pixel(0, 2), RGB(128, 128, 128));
    EXPECT_EQ(canvas.pixel(5, 2), RGB(255, 255, 255));
    EXPECT_EQ(canvas.pixel(1, 2), kPaper);
    QApplication::setPalette(saved);
}

TEST(ButtonCanvasTest, HalfHeightTermsRoundHalvesToEven)
{
    EXPECT_EQ(halfMinus(20, 7), 3);
    EXPECT_EQ(halfMinus(21, 7), 4);  // 3.5
    EXPECT_EQ(halfMinus(21, 0), 10); // 10.5
    EXPECT_EQ(halfMinus(21, 3), 8);  // 7.5
    EXPECT_EQ(halfMinus(21, 4), 6);  // 6.5
}
