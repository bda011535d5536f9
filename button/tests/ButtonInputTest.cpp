#include "button/tests/ButtonFixture.h"

#include <QSignalSpy>

using namespace kelvane;
using namespace kelvane::test;

using ButtonInputTest = ButtonHostTest;

TEST_F(ButtonInputTest, EnteringRaisesMouseEnterOnceAndLeavingMouseLeaveOnce)
{
    place();
    QSignalSpy enters(button, &SkinButton::MouseEnter);
    QSignalSpy leaves(button, &SkinButton::MouseLeave);

    moveIn(QPoint(10, 10));
    moveIn(QPoint(50, 15));
    moveIn(QPoint(90, 20));
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(leaves.count(), 0);
    EXPECT_TRUE(button->MouseInside());
    EXPECT_EQ(button->ButtonState(), ButtonStates::Hot);

    moveOut();
    moveOut();
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(leaves.count(), 1);
    EXPECT_FALSE(button->MouseInside());
    EXPECT_EQ(button->ButtonState(), ButtonStates::Normal);

    moveIn();
    EXPECT_EQ(enters.count(), 2);
}

TEST_F(ButtonInputTest, HoverChangesRepaintTheButton)
{
    place();
    PaintCounter paints(button);
    moveIn();
    const int afterEnter = paints.count;
    EXPECT_GT(afterEnter, 0);
    moveOut();
    EXPECT_GT(paints.count, afterEnter);
}

TEST_F(ButtonInputTest, NewControlHasNoHoverTracking)
{
    button->UserControl_InitProperties();
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    QSignalSpy enters(button, &SkinButton::MouseEnter);
    moveIn();
    EXPECT_EQ(enters.count(), 0);
    EXPECT_FALSE(button->TrackMouseAvailable());
}

TEST_F(ButtonInputTest, DesignedControlHasNoHoverTracking)
{
    button->setUserMode(false);
    place();
    QSignalSpy enters(button, &SkinButton::MouseEnter);
    moveIn();
    EXPECT_EQ(enters.count(), 0);
}

TEST_F(ButtonInputTest, LeftClickRaisesClickAndEndsHot)
{
    place();
    QSignalSpy clicks(button, &SkinButton::Click);
    moveIn();
    QTest::mousePress(window(), Qt::LeftButton, {}, inButton());
    EXPECT_EQ(button->ButtonState(), ButtonStates::Pressed);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseRelease(window(), Qt::LeftButton, {}, inButton());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Hot);
    EXPECT_EQ(button->LastButton(), 1);
}

TEST_F(ButtonInputTest, RightClickRaisesNothingAndTheNextLeftClickDoes)
{
    place();
    QSignalSpy clicks(button, &SkinButton::Click);
    moveIn();
    click(Qt::RightButton);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button->LastButton(), 2);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Hot); // the right button leaves the look alone
    click();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonInputTest, ReleasingOutsideTheButtonIsNoClick)
{
    place();
    QSignalSpy clicks(button, &SkinButton::Click);
    QTest::mousePress(window(), Qt::LeftButton, {}, inButton());
    QTest::mouseRelease(window(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ButtonInputTest, DoubleClickRaisesOneClick)
{
    place();
    QSignalSpy clicks(button, &SkinButton::Click);
    moveIn();
    QTest::mouseDClick(window(), Qt::LeftButton, {}, inButton());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Hot);
    click(); // and the next single click counts again
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ButtonInputTest, ToggleButtonFlipsValueOnEachClickAndStaysPressedAfterLeaving)
{
    PropertyBag bag;
    bag.writeInt(u"ButtonType"_s, 1);
    place(bag);
    QSignalSpy clicks(button, &SkinButton::Click);
    moveIn();
    QTest::mousePress(window(), Qt::LeftButton, {}, inButton());
    QTest::mouseRelease(window(), Qt::LeftButton, {}, inButton());
    EXPECT_TRUE(button->Value());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Pressed);

    moveOut();
    EXPECT_EQ(button->ButtonState(), ButtonStates::Pressed);

    moveIn();
    click();
    EXPECT_FALSE(button->Value());
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Hot);
}

TEST_F(ButtonInputTest, SpacePressAndReleaseClicksOnce)
{
    place();
    button->setFocus();
    ASSERT_TRUE(button->HasFocus());
    QSignalSpy clicks(button, &SkinButton::Click);
    QTest::keyPress(window(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Pressed); // down, then the press clicks
    QTest::keyRelease(window(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Hot);
    EXPECT_EQ(button->LastButton(), 1);
}

TEST_F(ButtonInputTest, SpaceOnToggleButtonFlipsValueOnce)
{
    PropertyBag bag;
    bag.writeInt(u"ButtonType"_s, 1);
    place(bag);
    button->setFocus();
    QSignalSpy clicks(button, &SkinButton::Click);
    QTest::keyClick(window(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(button->Value());
}

TEST_F(ButtonInputTest, EnterAndOtherKeysDoNotClick)
{
    place();
    button->setFocus();
    QSignalSpy clicks(button, &SkinButton::Click);
    QTest::keyClick(window(), Qt::Key_Return);
    QTest::keyClick(window(), Qt::Key_Enter);
    QTest::keyClick(window(), Qt::Key_A);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Normal);
}

TEST_F(ButtonInputTest, FocusIsTrackedAndRepaints)
{
    place();
    const auto other = focusElsewhere();
    ASSERT_FALSE(button->HasFocus());
    PaintCounter paints(button);
    button->setFocus();
    EXPECT_TRUE(button->HasFocus());
    const int afterFocus = paints.count;
    EXPECT_GT(afterFocus, 0);
    other->setFocus();
    EXPECT_FALSE(button->HasFocus());
    EXPECT_GT(paints.count, afterFocus);
}

TEST_F(ButtonInputTest, KeyboardFocusAloneDrawsADottedMarkInsideTheEdges)
{
    place();
    const auto other = focusElsewhere();
    auto shot = [this] { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    // Black dots with white between them, along the rectangle 3 px inside the edges.
    auto dots = [](const QImage& image) {
        const QRect r = image.rect().adjusted(3, 3, -3, -3);
        int n = 0;
        for (int x = r.left(); x < r.right(); ++x)
            for (const int y : {r.top(), r.bottom()})
                n += image.pixel(x, y) == qRgb(0, 0, 0) &&
                     image.pixel(x + 1, y) == qRgb(255, 255, 255);
        return n;
    };
    const QImage unfocused = shot();

    click();
    moveOut();
    ASSERT_TRUE(button->hasFocus());
    const QImage clicked = shot();
    EXPECT_EQ(dots(clicked), 0);

    other->setFocus();
    QTest::keyClick(window(), Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus());
    const QImage tabbed = shot();
    EXPECT_GT(dots(tabbed), 20);
    // Over the face, not in it: off the mark the click-focused face is unchanged.
    const QRect ring = tabbed.rect().adjusted(3, 3, -3, -3);
    for (int y = 0; y < tabbed.height(); ++y) {
        for (int x = 0; x < tabbed.width(); ++x) {
            const bool onRing = ring.contains(x, y) && !ring.adjusted(1, 1, -1, -1).contains(x, y);
            if (!onRing) {
                ASSERT_EQ(tabbed.pixel(x, y), clicked.pixel(x, y)) << x << "," << y;
            }
        }
    }

    other->setFocus();
    EXPECT_EQ(shot(), unfocused);
}

TEST_F(ButtonInputTest, DisabledButtonReceivesNoInputAtAll)
{
    place();
    button->setFocus();
    button->setEnabled(false);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Disabled);
    QSignalSpy clicks(button, &SkinButton::Click);
    QSignalSpy enters(button, &SkinButton::MouseEnter);
    moveIn();
    click();
    QTest::mouseDClick(window(), Qt::LeftButton, {}, inButton());
    QTest::keyClick(window(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(enters.count(), 0);
    EXPECT_EQ(button->LastButton(), 0);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Disabled);
    EXPECT_FALSE(button->HasFocus());

    button->setEnabled(true);
    moveOut();
    moveIn();
    click();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonInputTest, ButtonStoredDisabledTakesNoClicks)
{
    PropertyBag bag;
    bag.writeBool(u"Enabled"_s, false);
    place(bag);
    QSignalSpy clicks(button, &SkinButton::Click);
    click();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Disabled);
}

TEST_F(ButtonInputTest, SettingValueRaisesNoClick)
{
    PropertyBag bag;
    bag.writeInt(u"ButtonType"_s, 1);
    place(bag);
    QSignalSpy clicks(button, &SkinButton::Click);
    button->setValue(true);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Pressed);
    button->setValue(false);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ButtonInputTest, PushButtonIgnoresValue)
{
    place();
    button->setValue(true);
    EXPECT_EQ(button->ButtonState(), ButtonStates::Normal);
    QSignalSpy clicks(button, &SkinButton::Click);
    click();
    EXPECT_TRUE(button->Value()); // a push button never flips it
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonInputTest, PaletteChangeRepaintsAtOnce)
{
    place();
    PaintCounter paints(button);
    QPalette changed = button->palette();
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    button->setPalette(changed);
    EXPECT_GT(paints.count, 0); // before the event loop runs again
}
