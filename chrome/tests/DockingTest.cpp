// The docking arithmetic, checked exactly against a desktop whose answers the tests set: the
// work area, the pointer and the host's rectangle. The timers are driven tick by tick.
#include "chrome/QuandleXPTaskBar.h"
#include "platform/PropertyBag.h"

#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

#include <optional>

using namespace kelvane;
using namespace Qt::StringLiterals;

namespace {

class FakeDesktop final : public DockPlatform
{
public:
    std::optional<PixelRect> area = PixelRect{0, 0, 1280, 994};
    QSize screen{1280, 1024};
    QPoint cursor{-1000, -1000};
    PixelRect host{100, 100, 451, 412}; // the radio window: 351 x 312 pixels
    QList<QPoint> moves;
    int topmostCalls = 0;
    int borderlessCalls = 0;

    std::optional<PixelRect> workArea() const override { return area; }
    QSize screenSize() const override { return screen; }
    QPoint cursorPos() const override { return cursor; }
    PixelRect windowRect(const QWidget&) const override { return host; }
    void moveWindow(QWidget&, QPoint topLeft) override
    {
        host = {topLeft.x(), topLeft.y(), topLeft.x() + host.width(), topLeft.y() + host.height()};
        moves.append(topLeft);
    }
    void makeTopmost(QWidget&) override { ++topmostCalls; }
    void makeBorderless(QWidget&) override { ++borderlessCalls; }
    bool dialogOpen = false;
    bool hasOpenDialog(const QWidget&) const override { return dialogOpen; }

    QPoint position() const { return {host.left, host.top}; }
};

PropertyBag alignmentBag(qint32 alignment, const QString& key = u"alignment"_s)
{
    PropertyBag bag;
    bag.writeInt(key, alignment);
    return bag;
}

class DockingTest : public ::testing::Test
{
protected:
    FakeDesktop desktop;
    QWidget host;
    QuandleXPTaskBar* bar = new QuandleXPTaskBar(&host, desktop);

    void dock(qint32 alignment) { bar->UserControl_ReadProperties(alignmentBag(alignment)); }

    // One poll with the pointer at (x, y).
    void pointAt(int x, int y)
    {
        desktop.cursor = {x, y};
        bar->tmrCheckMouseOver->fire();
    }

    // Slide steps until the slide stops itself; the number of steps taken.
    int slideToEnd(int limit = 200)
    {
        int ticks = 0;
        while (bar->tmrExpand->Enabled() && ticks < limit) {
            bar->tmrExpand->fire();
            ++ticks;
        }
        return ticks;
    }
};

// --- Placement ---

struct PlacementCase
{
    qint32 alignment;
    std::optional<QPoint> expected; // nothing: the host is not moved
};

class PlacementTable : public DockingTest, public ::testing::WithParamInterface<PlacementCase>
{};

// Work area 40, 30 to 1240, 1000 pixels (600, 450 to 18600, 15000 twips); host 5265 x 4680 twips.
INSTANTIATE_TEST_SUITE_P(
    EveryAlignment, PlacementTable,
    ::testing::Values(
        // Left 600 - 5265 + 50 = -4615 (-307.7 px); Top (450 + 15000 - 4680) / 2 = 5385.
        PlacementCase{0, QPoint(-308, 359)},
        // Left 18600 - 50 = 18550 (1236.7 px).
        PlacementCase{1, QPoint(1237, 359)},
        // Top 450 - 4680 + 50 = -4180 (-278.7 px).
        PlacementCase{2, QPoint(40, -279)},
        // Left (600 + 18600 - 5265) / 2 = 6967.5 (464.5 px, halves to even).
        PlacementCase{3, QPoint(464, -279)},
        // Left 18600 - 5265 = 13335.
        PlacementCase{4, QPoint(889, -279)}, PlacementCase{5, std::nullopt},
        PlacementCase{7, std::nullopt}, PlacementCase{-1, std::nullopt}));

TEST_P(PlacementTable, DocksTheHostAtItsRestingPlaceInOneMove)
{
    desktop.area = PixelRect{40, 30, 1240, 1000};
    dock(GetParam().alignment);

    if (GetParam().expected) {
        ASSERT_EQ(desktop.moves.size(), 1);
        EXPECT_EQ(desktop.moves.first(), *GetParam().expected);
    } else {
        EXPECT_TRUE(desktop.moves.isEmpty());
        EXPECT_EQ(desktop.position(), QPoint(100, 100));
    }
    // The poll runs whatever the alignment.
    EXPECT_TRUE(bar->tmrCheckMouseOver->Enabled());
    EXPECT_EQ(bar->tmrCheckMouseOver->Interval(), 200);
}

TEST_F(DockingTest, UsesTheWholeScreenWhenTheWorkAreaIsUnknown)
{
    desktop.area.reset();
    dock(3);
    // Left (0 + 19200 - 5265) / 2 = 6967.5; Top 50 - 4680 = -4630 (-308.7 px).
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
}

TEST_F(DockingTest, AFreshControlDocksTopCentredButAStoredLayoutWithoutTheEntryDocksLeft)
{
    EXPECT_EQ(bar->Alignment(), 3);

    bar->UserControl_ReadProperties(PropertyBag());
    EXPECT_EQ(bar->Alignment(), 0);
    // Left 0 - 5265 + 50 = -5215 (-347.7 px); Top (0 + 14910 - 4680) / 2 = 5115.
    EXPECT_EQ(desktop.position(), QPoint(-348, 341));
}

TEST_F(DockingTest, ReadsTheAlignmentUnderAnyCaseOfItsName)
{
    bar->UserControl_ReadProperties(alignmentBag(4, u"ALIGNMENT"_s));
    EXPECT_EQ(bar->Alignment(), 4);
    EXPECT_EQ(desktop.position(), QPoint(929, -309));
}

TEST_F(DockingTest, ReadingTheStoredLayoutPutsTheHostOnTopOnceAndStartsOnlyThePoll)
{
    dock(3);
    EXPECT_EQ(desktop.topmostCalls, 1);
    EXPECT_TRUE(bar->tmrCheckMouseOver->Enabled());
    EXPECT_EQ(bar->tmrCheckMouseOver->Interval(), 200);
    EXPECT_FALSE(bar->tmrExpand->Enabled());
    EXPECT_EQ(bar->tmrExpand->Interval(), 25);
}

TEST_F(DockingTest, WrittenAlignmentSurvivesTheStoredLayout)
{
    bar->setAlignment(1);
    PropertyBag bag;
    bar->UserControl_WriteProperties(bag);
    const std::optional<PropertyBag> stored = PropertyBag::fromJson(bag.toJson());
    ASSERT_TRUE(stored);

    QWidget otherHost;
    FakeDesktop otherDesktop;
    QuandleXPTaskBar restored(&otherHost, otherDesktop);
    restored.UserControl_ReadProperties(*stored);
    EXPECT_EQ(restored.Alignment(), 1);

    // 0 equals the read default, but a layout must still say it.
    bar->setAlignment(0);
    PropertyBag zero;
    bar->UserControl_WriteProperties(zero);
    ASSERT_TRUE(zero.contains(u"alignment"_s));
    EXPECT_EQ(zero.readInt(u"Alignment"_s, 3), 0);
}

TEST_F(DockingTest, PlacingNewMakesTheHostBorderlessWithoutMovingIt)
{
    bar->UserControl_InitProperties();
    EXPECT_EQ(desktop.borderlessCalls, 1);
    EXPECT_TRUE(desktop.moves.isEmpty());
    EXPECT_FALSE(bar->tmrExpand->Enabled());
}

TEST_F(DockingTest, SettingTheAlignmentStoresItReportsItAndDocksAgain)
{
    dock(3);
    QSignalSpy changed(bar, &QuandleXPTaskBar::PropertyChanged);
    qint32 seen = -100;
    QObject::connect(bar, &QuandleXPTaskBar::PropertyChanged, [&] { seen = bar->Alignment(); });

    bar->setAlignment(4);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.first().first().toString(), u"Alignment"_s);
    EXPECT_EQ(seen, 4);
    EXPECT_EQ(desktop.position(), QPoint(929, -309));
    // Setting it does not restack the window.
    EXPECT_EQ(desktop.topmostCalls, 1);
}

TEST_F(DockingTest, TheControlIsAlways480TwipsSquareAndInvisible)
{
    host.show();
    bar->resize(100, 200);
    EXPECT_EQ(bar->Width(), 480.0f);
    EXPECT_EQ(bar->Height(), 480.0f);
    bar->setGeometry(10, 10, 7, 9);
    EXPECT_EQ(bar->Width(), 480.0f);
    EXPECT_EQ(bar->Height(), 480.0f);
    EXPECT_FALSE(bar->isVisible());
}

// --- Pointer poll ---

TEST_F(DockingTest, ThePollIsSilentUntilTheHostIsDocked)
{
    desktop.cursor = {200, 200};
    bar->tmrCheckMouseOver->fire();
    EXPECT_FALSE(bar->tmrExpand->Enabled());
}

struct PointerCase
{
    QPoint pointer;
    bool inside;
};

class PointerEdges : public DockingTest, public ::testing::WithParamInterface<PointerCase>
{};

// The hidden host covers x 464 to 815 and y -309 to 3, right and bottom exclusive.
INSTANTIATE_TEST_SUITE_P(
    InclusiveOnEverySide, PointerEdges,
    ::testing::Values(PointerCase{{464, 1}, true}, PointerCase{{463, 1}, false},
                      PointerCase{{815, 1}, true}, PointerCase{{816, 1}, false},
                      PointerCase{{600, 3}, true}, PointerCase{{600, 4}, false},
                      PointerCase{{815, 3}, true}, PointerCase{{600, -309}, true},
                      PointerCase{{600, -310}, false}));

TEST_P(PointerEdges, APointerOnTheEdgeRowsAndColumnsCountsAsOverTheHost)
{
    dock(3);
    ASSERT_EQ(desktop.host, (PixelRect{464, -309, 815, 3}));
    const int moves = static_cast<int>(desktop.moves.size());
    pointAt(GetParam().pointer.x(), GetParam().pointer.y());
    EXPECT_EQ(bar->tmrExpand->Enabled(), GetParam().inside);
    // The poll itself never moves the host.
    EXPECT_EQ(desktop.moves.size(), moves);
}

// --- Slide ---

TEST_F(DockingTest, TheRadioWindowSlidesInAndOutIn20Steps)
{
    dock(3);
    pointAt(600, 1);
    ASSERT_TRUE(bar->tmrExpand->Enabled());

    desktop.moves.clear();
    EXPECT_EQ(slideToEnd(), 20);
    EXPECT_EQ(desktop.position(), QPoint(464, 0));
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(desktop.moves.at(i), QPoint(464, -309 + 16 * (i + 1)));
    EXPECT_EQ(desktop.topmostCalls, 1 + 20);

    pointAt(600, 500);
    desktop.moves.clear();
    EXPECT_EQ(slideToEnd(), 20);
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(desktop.moves.at(i), QPoint(464, -16 * (i + 1)));

    // Resting again: further polls with the pointer away start nothing.
    pointAt(600, 600);
    EXPECT_FALSE(bar->tmrExpand->Enabled());
}

TEST_F(DockingTest, APointerStillOverTheShownHostKeepsItShown)
{
    dock(3);
    pointAt(600, 1);
    slideToEnd();
    pointAt(815, 312); // the corner just outside, which still counts
    EXPECT_FALSE(bar->tmrExpand->Enabled());
    EXPECT_EQ(desktop.position(), QPoint(464, 0));
}

// A window opened under the pointer (the switch corner) starts where a slide-in would end.
class InViewTable : public DockingTest, public ::testing::WithParamInterface<PlacementCase>
{};

// Work area 40, 30 to 1240, 1000 pixels; host 351 x 312 pixels.
INSTANTIATE_TEST_SUITE_P(
    EveryAlignment, InViewTable,
    ::testing::Values(PlacementCase{0, QPoint(40, 359)}, PlacementCase{1, QPoint(889, 359)},
                      PlacementCase{2, QPoint(40, 30)}, PlacementCase{3, QPoint(464, 30)},
                      PlacementCase{4, QPoint(889, 30)}, PlacementCase{9, std::nullopt}));

TEST_P(InViewTable, ShownInViewUnderThePointerThenDocksWhenItLeaves)
{
    desktop.area = PixelRect{40, 30, 1240, 1000};
    dock(GetParam().alignment);
    const QPoint docked = desktop.position();
    bar->showInView();
    if (!GetParam().expected) {
        EXPECT_EQ(desktop.position(), docked);
        return;
    }
    EXPECT_EQ(desktop.position(), *GetParam().expected);

    pointAt(desktop.host.left + 10, desktop.host.top + 10);
    EXPECT_FALSE(bar->tmrExpand->Enabled()) << "the pointer is over it: it stays";
    pointAt(640, 2000);
    slideToEnd();
    EXPECT_EQ(desktop.position(), docked);
}

TEST_F(DockingTest, AHeldWindowWaitsForThePointersVisitThenFollowsIt)
{
    dock(3);
    bar->showInView(60000);
    pointAt(10, 900);
    EXPECT_FALSE(bar->tmrExpand->Enabled()) << "held: not yet visited";
    pointAt(600, 100);
    pointAt(10, 900);
    slideToEnd();
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
}

TEST_F(DockingTest, AnOpenDialogHoldsTheHostInViewWhereverThePointerIs)
{
    dock(3);
    desktop.dialogOpen = true;
    pointAt(600, 700);
    slideToEnd();
    EXPECT_EQ(desktop.position(), QPoint(464, 0));
    pointAt(10, 900);
    EXPECT_FALSE(bar->tmrExpand->Enabled());

    desktop.dialogOpen = false;
    pointAt(10, 900);
    slideToEnd();
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
}

TEST_F(DockingTest, APinnedHostSlidesInAndStaysWhereverThePointerIsUntilUnpinned)
{
    dock(3);
    pointAt(10, 900);
    bar->setPinned(true);
    slideToEnd();
    EXPECT_EQ(desktop.position(), QPoint(464, 0));
    EXPECT_TRUE(bar->isInView());
    pointAt(10, 900);
    EXPECT_FALSE(bar->tmrExpand->Enabled());

    bar->setPinned(false);
    pointAt(10, 900);
    slideToEnd();
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
    EXPECT_FALSE(bar->isInView());
}

TEST_F(DockingTest, LeavingHalfwayReversesTheSlideAtTheNextStep)
{
    dock(3);
    pointAt(600, 1);
    for (int i = 0; i < 10; ++i)
        bar->tmrExpand->fire();
    EXPECT_EQ(desktop.position(), QPoint(464, -149));

    pointAt(600, 700);
    EXPECT_EQ(desktop.position(), QPoint(464, -149));
    EXPECT_TRUE(bar->tmrExpand->Enabled());
    bar->tmrExpand->fire();
    EXPECT_EQ(desktop.position(), QPoint(464, -165));
    // -2475 twips down to the bound -4630: eight more steps and the clamping one.
    EXPECT_EQ(slideToEnd(), 9);
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
}

TEST_F(DockingTest, AnUnknownAlignmentReassertsTopmostForeverWithoutMoving)
{
    dock(3);
    bar->setAlignment(7);
    EXPECT_EQ(desktop.position(), QPoint(464, -309));
    const int moves = static_cast<int>(desktop.moves.size());

    pointAt(600, 1);
    ASSERT_TRUE(bar->tmrExpand->Enabled());
    const int topmostBefore = desktop.topmostCalls;
    EXPECT_EQ(slideToEnd(500), 500);
    EXPECT_TRUE(bar->tmrExpand->Enabled());
    EXPECT_EQ(desktop.topmostCalls, topmostBefore + 500);
    EXPECT_EQ(desktop.moves.size(), moves);
}

TEST_F(DockingTest, SwitchingToTheRightEdgeWhileShownDocksRightAndSlidesSideways)
{
    dock(3);
    pointAt(600, 1);
    slideToEnd();
    ASSERT_EQ(desktop.position(), QPoint(464, 0));

    bar->setAlignment(1);
    // Left 19200 - 50 = 19150 (1276.7 px); Top (0 + 14910 - 4680) / 2 = 5115.
    EXPECT_EQ(desktop.position(), QPoint(1277, 341));

    // The pointer is no longer over the host: the slide back keeps it at the edge.
    pointAt(600, 100);
    EXPECT_EQ(slideToEnd(), 1);
    EXPECT_EQ(desktop.position(), QPoint(1277, 341));

    pointAt(1278, 400);
    desktop.moves.clear();
    // 19155 twips down to 19200 - 5265 = 13935: 21 steps and the clamping one.
    EXPECT_EQ(slideToEnd(), 22);
    EXPECT_EQ(desktop.moves.first(), QPoint(1261, 341));
    EXPECT_EQ(desktop.position(), QPoint(929, 341));
}

TEST_F(DockingTest, TheLeftEdgeSlidesHorizontally)
{
    dock(0);
    ASSERT_EQ(desktop.position(), QPoint(-348, 341));
    pointAt(1, 400);
    EXPECT_EQ(slideToEnd(), 22);
    EXPECT_EQ(desktop.position(), QPoint(0, 341));
    pointAt(900, 400);
    EXPECT_EQ(slideToEnd(), 22);
    EXPECT_EQ(desktop.position(), QPoint(-348, 341));
}

// --- A panel along the docking edge ---

TEST_F(DockingTest, BelowATopPanelTheStripStaysReachable)
{
    desktop.area = PixelRect{0, 30, 1280, 1024};
    dock(3);
    // Top 450 - 4680 + 50 = -4180 (-278.7 px): rows 30 to 32 show below the panel.
    EXPECT_EQ(desktop.position(), QPoint(464, -279));

    for (int round = 0; round < 2; ++round) {
        pointAt(600, 31);
        ASSERT_TRUE(bar->tmrExpand->Enabled());
        desktop.moves.clear();
        slideToEnd();
        for (const QPoint& move : std::as_const(desktop.moves))
            EXPECT_LE(move.y(), 30);
        EXPECT_EQ(desktop.position(), QPoint(464, 30));

        pointAt(600, 600);
        slideToEnd();
        EXPECT_EQ(desktop.position(), QPoint(464, -279));
        EXPECT_GT(desktop.host.bottom, 30);
    }
}

TEST_F(DockingTest, BesideALeftPanelTheStripStaysReachable)
{
    desktop.area = PixelRect{48, 0, 1280, 1024};
    dock(0);
    // Left 720 - 5265 + 50 = -4495 (-299.7 px): columns 48 to 50 show beside the panel.
    EXPECT_EQ(desktop.position(), QPoint(-300, 356));

    for (int round = 0; round < 2; ++round) {
        pointAt(49, 400);
        slideToEnd();
        EXPECT_EQ(desktop.position(), QPoint(48, 356));
        pointAt(900, 400);
        slideToEnd();
        EXPECT_EQ(desktop.position(), QPoint(-300, 356));
        EXPECT_GT(desktop.host.right, 48);
    }
}

} // namespace
