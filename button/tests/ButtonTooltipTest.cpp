#include "button/ButtonColors.h"
#include "button/tests/ButtonFixture.h"

#include <QApplication>
#include <QTimer>

using namespace kelvane;
using namespace kelvane::test;

namespace {

// Counts a widget's show and hide events.
class ShowsAndHides : public QObject
{
public:
    explicit ShowsAndHides(QWidget* widget) { widget->installEventFilter(this); }
    int shown = 0;
    int hidden = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shown;
        else if (event->type() == QEvent::Hide)
            ++hidden;
        return false;
    }
};

// Counts the ticks of single-shot timers with the given interval, anywhere in the program (the
// tooltip's own timers are not reachable from outside). A tick is counted as it is delivered;
// by the time the event loop next returns, its timeout has run.
class TimerTicks : public QObject
{
public:
    explicit TimerTicks(int intervalMs) : m_interval(intervalMs)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~TimerTicks() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer) {
            const auto* timer = qobject_cast<QTimer*>(watched);
            if (timer != nullptr && timer->isSingleShot() && timer->interval() == m_interval)
                ++count;
        }
        return false;
    }

private:
    int m_interval;
};

} // namespace

class ButtonTooltipTest : public ButtonHostTest
{
protected:
    // Places the button with the given tooltip settings and moves the pointer onto it.
    ButtonTooltip* enterWith(const PropertyBag& bag)
    {
        place(bag);
        moveIn();
        return button->TooltipWindow();
    }

    static PropertyBag tipBag(const QString& text, qint32 type = 0)
    {
        PropertyBag bag;
        bag.writeText(u"ToolTipText"_s, text);
        bag.writeInt(u"ToolTipType"_s, type);
        bag.writeColour(u"ttBackColor"_s, 0);
        bag.writeColour(u"ttForeColor"_s, 0);
        return bag;
    }
};

TEST_F(ButtonTooltipTest, NoTooltipBeforeThePointerEnters)
{
    place(tipBag(u"tip"_s));
    EXPECT_EQ(button->TooltipWindow(), nullptr);
}

TEST_F(ButtonTooltipTest, TypeOneIsABalloonAndOtherTypesARectangle)
{
    ButtonTooltip* balloon = enterWith(tipBag(u"更新电台列表"_s, 1));
    ASSERT_TRUE(balloon);
    EXPECT_TRUE(balloon->isBalloon());
    EXPECT_TRUE(balloon->isWindow());
    const QRegion shape = balloon->mask();
    ASSERT_FALSE(shape.isEmpty());
    EXPECT_FALSE(shape.contains(QPoint(0, 0))); // rounded and pointed, not a rectangle
    EXPECT_FALSE(shape.contains(QPoint(balloon->width() - 1, balloon->height() - 1)));
    EXPECT_TRUE(shape.contains(balloon->rect().center()));

    for (qint32 type : {0, 2, -1}) {
        moveOut();
        button->setToolTipType(type);
        moveIn();
        ButtonTooltip* plain = button->TooltipWindow();
        ASSERT_TRUE(plain);
        EXPECT_FALSE(plain->isBalloon()) << type;
        EXPECT_TRUE(plain->mask().isEmpty()) << type;
    }
}

TEST_F(ButtonTooltipTest, EmptyTitleAndNoIconGiveNoTitleLine)
{
    ButtonTooltip* tip = enterWith(tipBag(u"tip"_s));
    ASSERT_TRUE(tip);
    EXPECT_FALSE(tip->hasTitle());
}

TEST_F(ButtonTooltipTest, TitleOrIconGivesTheTitleLine)
{
    PropertyBag bag = tipBag(u"tip"_s);
    bag.writeText(u"Tooltiptitle"_s, u"Update"_s);
    ButtonTooltip* tip = enterWith(bag);
    ASSERT_TRUE(tip);
    EXPECT_TRUE(tip->hasTitle());
    EXPECT_EQ(tip->title(), u"Update"_s);
    EXPECT_EQ(tip->titleIcon(), 0);

    moveOut();
    button->setToolTipTitle(QString());
    button->setToolTipIcon(3);
    moveIn();
    tip = button->TooltipWindow();
    ASSERT_TRUE(tip);
    EXPECT_TRUE(tip->hasTitle());
    EXPECT_TRUE(tip->title().isEmpty());
    EXPECT_EQ(tip->titleIcon(), 3);
}

TEST_F(ButtonTooltipTest, ColoursOfZeroAreLeftToTheSystem)
{
    // System colours that are not black, so an applied 0 would show.
    const QPalette saved = QApplication::palette();
    QPalette system = saved;
    system.setColor(QPalette::ToolTipText, QColor(10, 20, 30));
    system.setColor(QPalette::ToolTipBase, QColor(250, 250, 200));
    QApplication::setPalette(system);
    ButtonTooltip* tip = enterWith(tipBag(u"tip"_s));
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipText), QColor(10, 20, 30));
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipBase), QColor(250, 250, 200));
    QApplication::setPalette(saved);
}

TEST_F(ButtonTooltipTest, NonZeroColoursAreTranslatedAndApplied)
{
    PropertyBag bag = tipBag(u"tip"_s);
    bag.writeColour(u"ttForeColor"_s, RGB(200, 0, 0));
    bag.writeColour(u"ttBackColor"_s, systemColorReference(kColorWindow));
    ButtonTooltip* tip = enterWith(bag);
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipText), QColor(200, 0, 0));
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipBase),
              QApplication::palette().color(QPalette::Base));
}

TEST_F(ButtonTooltipTest, UntranslatableColourKeepsTheSystemColour)
{
    PropertyBag bag = tipBag(u"tip"_s);
    bag.writeColour(u"ttForeColor"_s, 0x80000063);
    ButtonTooltip* tip = enterWith(bag);
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->palette().color(QPalette::ToolTipText),
              QApplication::palette().color(QPalette::ToolTipText));
}

TEST_F(ButtonTooltipTest, RebuiltAtEveryEntryWithTheCurrentSettings)
{
    QPointer<ButtonTooltip> first = enterWith(tipBag(u"first"_s));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text(), u"first"_s);
    // Settings changed while the pointer is inside wait for the next entry.
    button->setToolTip(u"second"_s);
    button->setToolTipType(1);
    moveIn(QPoint(60, 20));
    EXPECT_EQ(button->TooltipWindow(), first.data());
    EXPECT_EQ(first->text(), u"first"_s);

    moveOut();
    moveIn();
    ButtonTooltip* second = button->TooltipWindow();
    EXPECT_TRUE(first.isNull()); // the old window is gone, not hidden
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text(), u"second"_s);
    EXPECT_TRUE(second->isBalloon());
}

TEST_F(ButtonTooltipTest, ShowsWhileThePointerRestsAndHidesOnLeaving)
{
    ButtonTooltip* tip = enterWith(tipBag(u"更新电台列表"_s, 1));
    ASSERT_TRUE(tip);
    EXPECT_FALSE(tip->isVisible());
    tip->setDelays(20, 5000);
    moveIn(QPoint(52, 16));
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 3000));
    // Near the pointer, which sits in the button.
    const QPoint pointer = button->mapToGlobal(QPoint(52, 16));
    EXPECT_LT((tip->geometry().center() - pointer).manhattanLength(), 200);

    moveOut();
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(ButtonTooltipTest, PressingTheButtonHidesTheTip)
{
    ButtonTooltip* tip = enterWith(tipBag(u"tip"_s));
    ASSERT_TRUE(tip);
    tip->setDelays(10, 5000);
    moveIn(QPoint(52, 16));
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 3000));
    QTest::mousePress(window(), Qt::LeftButton, {}, inButton());
    EXPECT_FALSE(tip->isVisible());
    QTest::mouseRelease(window(), Qt::LeftButton, {}, inButton());
}

TEST_F(ButtonTooltipTest, HidesItselfAfterAWhile)
{
    ButtonTooltip* tip = enterWith(tipBag(u"tip"_s));
    ASSERT_TRUE(tip);
    // The tip's own show and hide events, so a short stay cannot slip between two looks.
    ShowsAndHides seen(tip);
    tip->setDelays(10, 50);
    moveIn(QPoint(52, 16));
    ASSERT_TRUE(waitUntil([&] { return seen.shown > 0; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return seen.hidden > 0; }, 3000)) << "the tip stays up";
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(ButtonTooltipTest, EmptyTextNeverShows)
{
    ButtonTooltip* tip = enterWith(tipBag(QString()));
    ASSERT_TRUE(tip);
    // The moment the tip would show is the show delay's timer going off; it is awaited, not
    // guessed. 7 ms is no other timer's interval in this test.
    constexpr int kShowDelayMs = 7;
    TimerTicks ticks(kShowDelayMs);
    tip->setDelays(kShowDelayMs, 5000);
    moveIn(QPoint(52, 16));
    ASSERT_TRUE(waitUntil([&] { return ticks.count > 0; }, 3000));
    EXPECT_FALSE(tip->isVisible());
}
