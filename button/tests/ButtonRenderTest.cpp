#include "button/ButtonTheme.h"
#include "button/tests/ButtonRenderFixture.h"

#include <QSignalSpy>

using namespace kelvane;
using namespace kelvane::test;

namespace {

constexpr OleColor kRed = RGB(255, 0, 0);

QImage solidIcon(int size = 16)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(QColor(255, 0, 0));
    return icon;
}

// A theme that records the states it is asked to draw, drawing through the application's
// style or failing.
class RecordingTheme final : public ButtonTheme
{
public:
    explicit RecordingTheme(bool works) : m_works(works) {}
    bool drawPushButton(QPainter& painter, const QWidget& button, const QRect& rect,
                        int themeState) override
    {
        states.append(themeState);
        if (!m_works)
            return false;
        return m_style.drawPushButton(painter, button, rect, themeState);
    }
    QList<int> states;

private:
    bool m_works;
    StyleButtonTheme m_style;
};

} // namespace

using ButtonRenderingTest = ButtonRenderTest;

// --- Icon ---

TEST_F(ButtonRenderingTest, RightAlignedIconSitsAtItsMarginAndMovesWhenPressed)
{
    PropertyBag bag;
    bag.writeInt(u"IconAlign"_s, 2);
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(solidIcon()));
    place(9, QSize(100, 30), bag);
    QImage image = shot();
    // 100 - 16 - 7 = 77; (30 - 16) / 2 = 7.
    EXPECT_EQ(at(image, 77, 7), kRed);
    EXPECT_EQ(at(image, 92, 22), kRed);
    EXPECT_NE(at(image, 76, 7), kRed);
    EXPECT_NE(at(image, 93, 7), kRed);
    EXPECT_NE(at(image, 77, 6), kRed);
    press();
    image = shot();
    EXPECT_EQ(at(image, 78, 8), kRed);
    EXPECT_EQ(at(image, 93, 23), kRed);
    EXPECT_NE(at(image, 77, 7), kRed);
}

TEST_F(ButtonRenderingTest, IconMarginsFollowTheStyle)
{
    PropertyBag bag;
    bag.writeInt(u"IconAlign"_s, 1);
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(solidIcon()));
    const std::pair<int, int> margins[] = {{0, 4}, {5, 5}, {7, 5}, {8, 4}, {9, 7}, {10, 7}};
    for (auto [style, margin] : margins) {
        SCOPED_TRACE(style);
        place(style, QSize(100, 30), bag);
        const QImage image = shot();
        EXPECT_EQ(at(image, margin, 7), kRed);
        EXPECT_NE(at(image, margin - 1, 7), kRed);
        delete button;
    }
}

TEST_F(ButtonRenderingTest, CentredIconRoundsHalvesToEven)
{
    PropertyBag bag;
    bag.writeInt(u"IconAlign"_s, 0);
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(solidIcon()));
    place(0, QSize(105, 21), bag);
    const QImage image = shot();
    // (105 - 16) / 2 = 44.5 -> 44; (21 - 16) / 2 = 2.5 -> 2.
    EXPECT_EQ(at(image, 44, 2), kRed);
    EXPECT_NE(at(image, 43, 2), kRed);
    EXPECT_NE(at(image, 44, 1), kRed);
    EXPECT_EQ(at(image, 59, 17), kRed);
    EXPECT_NE(at(image, 60, 17), kRed);

    button->setIconAlign(4); // bottom: 21 - 16 - 4 = 1
    EXPECT_EQ(at(shot(), 44, 1), kRed);
    button->setIconAlign(3); // top: the margin
    EXPECT_EQ(at(shot(), 44, 4), kRed);
    EXPECT_NE(at(shot(), 44, 3), kRed);
    button->setIconAlign(9); // the corner
    EXPECT_EQ(at(shot(), 0, 0), kRed);
    button->setIconSize(8);
    EXPECT_NE(at(shot(), 8, 8), kRed);
    EXPECT_EQ(at(shot(), 7, 7), kRed);
}

TEST_F(ButtonRenderingTest, Style4HotIconSitsUpLeftOfAGreySilhouette)
{
    // A red square in the middle of a clear icon.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            icon.setPixel(x, y, qRgb(255, 0, 0));
    PropertyBag bag;
    bag.writeInt(u"IconAlign"_s, 1);
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(icon));
    place(4, QSize(100, 30), bag);
    // At rest: the square at (4 + 4, 7 + 4) to (15, 18).
    QImage image = shot();
    EXPECT_EQ(at(image, 8, 11), kRed);
    EXPECT_EQ(at(image, 15, 18), kRed);
    hover();
    image = shot();
    const OleColor grey = RGB(128, 128, 128);
    const OleColor ground = LightenColor(kHighlight, 176);
    EXPECT_EQ(at(image, 6, 9), kRed); // the icon, two pixels up and left
    EXPECT_EQ(at(image, 13, 16), kRed);
    EXPECT_EQ(at(image, 14, 17), grey); // the silhouette where the icon no longer covers it
    EXPECT_EQ(at(image, 15, 18), grey);
    EXPECT_EQ(at(image, 8, 18), grey);
    EXPECT_EQ(at(image, 16, 18), ground);
    EXPECT_EQ(at(image, 5, 9), ground);
    press();
    image = shot();
    EXPECT_EQ(at(image, 9, 12), kRed);
    EXPECT_NE(at(image, 16, 19), grey);
}

TEST_F(ButtonRenderingTest, Style4HotSilhouetteOfAHugeIconReadsOnlyTheCanvas)
{
    // The largest size a bag can hold: the silhouette's square is 32768 pixels a side, almost
    // all of it off the 100 by 30 button.
    PropertyBag bag;
    bag.writeInt(u"IconAlign"_s, 1);
    bag.writeInt(u"IconSize"_s, 32767);
    bag.writePicture(u"Icon"_s, StoredPicture::fromImage(solidIcon()));
    place(4, QSize(100, 30), bag);
    ASSERT_EQ(button->IconSize(), 32767);
    hover();
    const QImage image = shot();
    EXPECT_LE(button->canvas().pixelReads(), 100 * 30 + 1); // the ground pixel and the canvas
    // The icon, moved two pixels left of its margin of 4, covers the silhouette on the canvas.
    EXPECT_EQ(at(image, 2, 10), kRed);
    EXPECT_EQ(at(image, 99, 29), kRed);
    EXPECT_EQ(at(image, 1, 10), LightenColor(kHighlight, 176));
}

// --- Caption ---

TEST_F(ButtonRenderingTest, CaptionColourFollowsStateAndCustomColours)
{
    // A full block fills whole pixels with the text colour.
    PropertyBag bag;
    bag.writeText(u"Caption"_s, u"█"_s);
    bag.writeFont(u"Font"_s, StoredFont{u"DejaVu Sans"_s, 14, 400, 0});
    place(0, QSize(60, 30), bag);
    EXPECT_EQ(at(shot(), 30, 15), kText);
    button->setEnabled(false);
    EXPECT_EQ(at(shot(), 30, 15), kGrayText);
    button->setEnabled(true);

    button->setFontColor(RGB(0, 0, 200));
    button->setFontHighlightColor(RGB(0, 200, 0));
    EXPECT_EQ(at(shot(), 30, 15), kText); // without custom colours
    button->setUseCustomColors(true);
    EXPECT_EQ(at(shot(), 30, 15), RGB(0, 0, 200));
    hover();
    EXPECT_EQ(at(shot(), 30, 15), RGB(0, 200, 0));
    press();
    EXPECT_EQ(at(shot(), 30, 15), RGB(0, 200, 0));
    release();
    button->setEnabled(false);
    EXPECT_EQ(at(shot(), 30, 15), kGrayText);
}

TEST_F(ButtonRenderingTest, CaptionAlignmentPlacesTheTextInTheContentBox)
{
    PropertyBag bag;
    bag.writeText(u"Caption"_s, u"█"_s);
    bag.writeFont(u"Font"_s, StoredFont{u"DejaVu Sans"_s, 9, 400, 0});
    bag.writeInt(u"CaptionAlign"_s, 1);
    place(0, QSize(100, 40), bag);
    EXPECT_EQ(at(shot(), 5, 20), kText); // left
    EXPECT_NE(at(shot(), 94, 20), kText);
    button->setCaptionAlign(2);
    EXPECT_EQ(at(shot(), 94, 20), kText); // right
    EXPECT_NE(at(shot(), 5, 20), kText);
    button->setCaptionAlign(7); // keeps the right alignment
    EXPECT_EQ(button->CaptionFormat(), 38);
    EXPECT_EQ(at(shot(), 94, 20), kText);
}

// --- Layout ---

TEST_F(ButtonRenderingTest, ButtonSizedBelowThreeHundredTwipsGrows)
{
    place(9, QSize(105, 20));
    button->resize(10, 12);
    EXPECT_EQ(button->size(), QSize(20, 20));
    button->resize(60, 5);
    EXPECT_EQ(button->size(), QSize(60, 20));
    EXPECT_EQ(button->ClientRect(), QRect(0, 0, 60, 20));
    EXPECT_EQ(button->ContentRect(), QRect(QPoint(4, 4), QPoint(56, 16)));
    // The outline follows the new size.
    EXPECT_TRUE(button->mask().contains(QPoint(58, 10)));
    EXPECT_FALSE(button->mask().contains(QPoint(59, 0)));
}

// --- The themed style ---

TEST_F(ButtonRenderingTest, ThemedStyleDrawsInTheStateOfTheButton)
{
    RecordingTheme theme(true);
    place(6, QSize(105, 24), {}, &theme);
    theme.states.clear();
    button->Refresh();
    EXPECT_EQ(theme.states.value(0), 1);
    focus();
    theme.states.clear();
    button->Refresh();
    EXPECT_EQ(theme.states.value(0), 5); // the default button
    hover();
    EXPECT_EQ(theme.states.last(), 2);
    press();
    EXPECT_EQ(theme.states.last(), 3);
    release();
    button->setEnabled(false);
    EXPECT_EQ(theme.states.last(), 4);
    EXPECT_EQ(button->Style(), 6);
    // The bevel is drawn: not just the plain face.
    const QImage image = shot();
    bool drawn = false;
    for (int x = 0; x < 105 && !drawn; ++x)
        drawn = at(image, x, 12) != kFace || at(image, x, 0) != kFace;
    EXPECT_TRUE(drawn);
}

TEST_F(ButtonRenderingTest, ThemedStyleFallsBackToTheNonThemedStyleForGood)
{
    RecordingTheme theme(false);
    button = new SkinButton(shell, theme, host.get());
    button->setGeometry(20, 20, 105, 20);
    PropertyBag bag;
    bag.writeText(u"Caption"_s, u" "_s);
    bag.writeInt(u"Style"_s, 6);
    bag.writeInt(u"iNonThemeStyle"_s, 9);
    button->UserControl_ReadProperties(bag);
    button->UserControl_Resize();
    QSignalSpy reported(button, &SkinButton::PropertyChanged);

    // One repaint with the plain face...
    const QImage plain = shot();
    EXPECT_EQ(theme.states.size(), 1);
    EXPECT_EQ(at(plain, 0, 0), kFace);
    EXPECT_EQ(at(plain, 50, 1), kFace);
    EXPECT_EQ(at(plain, 104, 19), kFace);
    EXPECT_EQ(button->Style(), 9);
    EXPECT_TRUE(reported.isEmpty());

    // ... then the non-themed style, its outline included, without asking the theme again.
    flushEvents();
    EXPECT_FALSE(button->mask().contains(QPoint(0, 0)));
    const QImage styled = shot();
    EXPECT_EQ(at(styled, 50, 1), ShiftColor(kFace, -15));
    EXPECT_EQ(theme.states.size(), 1);
    PropertyBag saved;
    button->UserControl_WriteProperties(saved);
    EXPECT_EQ(saved.readInt(u"Style"_s, 3), 9);
}

TEST_F(ButtonRenderingTest, ThemedStyleFallingBackToItselfKeepsThePlainFace)
{
    RecordingTheme theme(false);
    PropertyBag bag;
    bag.writeInt(u"iNonThemeStyle"_s, 6);
    place(6, QSize(105, 20), bag, &theme);
    flushEvents();
    EXPECT_EQ(button->Style(), 6);
    EXPECT_EQ(at(shot(), 50, 1), kFace);
}
