#include "app/tests/AppFixture.h"
#include "windows/Controls.h"
#include "windows/FadingForms.h"
#include "windows/RadioWindow.h"

#include <QSignalSpy>

using namespace kelvane;
using namespace kelvane::test;

namespace {

int alphaOf(QWidget* w)
{
    return qRound(w->windowOpacity() * 255);
}

int enabledTimers(FadingForm* f)
{
    return int(f->Timer3.Enabled()) + int(f->Timer1.Enabled()) + int(f->Trans.Enabled());
}

class FadeTest : public AppFixture
{};

} // namespace

TEST_F(FadeTest, SplashFadesInLoadsRadioWindowHoldsFadesOutAndHandsOver)
{
    writeList("fmstacionet.dat", QStringLiteral("中国之声 ==> http://a/1\r\n"));
    auto* splash = dynamic_cast<SplashForm*>(forms.show("frmSplash"));
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(alphaOf(splash), 0); // visible, fully transparent
    EXPECT_EQ(splash->windowTitle(), "Splash Kelvane");
    EXPECT_EQ(splash->Label1->text(), "Load ...");

    // Stop the real timers: the test drives every tick itself.
    QList<int> applied;
    for (int tick = 1; tick <= 51; ++tick) {
        splash->Timer3.fire();
        applied << alphaOf(splash);
        EXPECT_EQ(enabledTimers(splash), 1);
    }
    EXPECT_EQ(applied.first(), 5);
    EXPECT_EQ(applied.last(), 255);
    for (int i = 1; i < applied.size(); ++i)
        EXPECT_EQ(applied[i] - applied[i - 1], 5);
    EXPECT_FALSE(forms.isLoaded("frmMain")); // not before the 52nd tick

    splash->Timer3.fire(); // 52nd: fade-in ends
    EXPECT_FALSE(splash->Timer3.Enabled());
    EXPECT_TRUE(splash->Timer1.Enabled());
    EXPECT_EQ(alphaOf(splash), 255);
    auto* radio = formAs<RadioWindow>("frmMain");
    ASSERT_NE(radio, nullptr);
    EXPECT_FALSE(radio->isVisible()); // loaded, with its list read, but not shown
    EXPECT_EQ(radio->rLista->count(), 1);

    splash->Timer1.fire(); // the hold ends
    EXPECT_FALSE(splash->Timer1.Enabled());
    EXPECT_TRUE(splash->Trans.Enabled());
    EXPECT_EQ(alphaOf(splash), 255);

    applied.clear();
    for (int tick = 1; tick <= 51; ++tick) {
        splash->Trans.fire();
        applied << alphaOf(splash);
    }
    EXPECT_EQ(applied.first(), 250);
    EXPECT_EQ(applied.last(), 0);
    EXPECT_FALSE(radio->isVisible());
    EXPECT_TRUE(forms.isLoaded("frmSplash"));

    QPointer<SplashForm> guard(splash);
    splash->Trans.fire(); // 52nd: hand over
    EXPECT_TRUE(radio->isVisible());
    EXPECT_FALSE(forms.isLoaded("frmSplash"));
    flushEvents();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(forms.loadedNames(), QStringList{"frmMain"});
}

TEST_F(FadeTest, SplashHandsOverOnItsOwnTimers)
{
    // The whole cycle on the real timers: two fades at the platform's pace and the hold.
    auto* splash = dynamic_cast<SplashForm*>(forms.show("frmSplash"));
    ASSERT_NE(splash, nullptr);
    QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
    ASSERT_TRUE(waitUntil([&] { return forms.isLoaded("frmMain"); }, 5000));
    splash->Timer1.fire(); // skip the five-second hold
    ASSERT_TRUE(waitUntil([&] { return !forms.isLoaded("frmSplash"); }, 5000));
    EXPECT_TRUE(forms.find("frmMain")->isVisible());
    EXPECT_EQ(last.count(), 0);
}

TEST_F(FadeTest, AboutWindowRunsOneCycleAndUnloadsItself)
{
    writeList("fmstacionet.dat", QStringLiteral("A==>x\r\n"));
    auto* radio = dynamic_cast<RadioWindow*>(forms.show("frmMain"));
    ASSERT_NE(radio, nullptr);
    radio->Label1_Click();
    auto* about = formAs<AboutForm>("frmAbout");
    ASSERT_NE(about, nullptr);
    for (int i = 0; i < 10; ++i)
        about->Timer3.fire();
    EXPECT_EQ(alphaOf(about), 50);
    radio->Label1_Click(); // clicked again while fading: same window, fade goes on
    EXPECT_EQ(formAs<AboutForm>("frmAbout"), about);
    EXPECT_EQ(about->fadeAlpha, 50);
    EXPECT_EQ(about->windowTitle(), " About Kelvane");
    EXPECT_EQ(about->size(), QSize(352, 279));

    for (int i = 0; i < 42; ++i)
        about->Timer3.fire();
    about->Timer1.fire();
    for (int i = 0; i < 52; ++i)
        about->Trans.fire();
    EXPECT_FALSE(forms.isLoaded("frmAbout"));
    EXPECT_TRUE(forms.isLoaded("frmMain")); // the About window loads nothing else
    EXPECT_TRUE(messages.shown.isEmpty());

    radio->Label1_Click(); // after it closed: loaded again with a new cycle
    about = formAs<AboutForm>("frmAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->fadeAlpha, 0);
    EXPECT_TRUE(about->Timer3.Enabled());
}

TEST_F(FadeTest, ClosingTheRadioWindowLeavesTheProgramRunningWhileAboutFades)
{
    auto* radio = dynamic_cast<RadioWindow*>(forms.show("frmMain"));
    QSignalSpy last(&forms, &FormRegistry::lastFormUnloaded);
    radio->Label1_Click();
    radio->Label2_Click(0);
    EXPECT_EQ(last.count(), 0);
    auto* about = formAs<AboutForm>("frmAbout");
    ASSERT_NE(about, nullptr);
    for (int i = 0; i < 52; ++i)
        about->Timer3.fire();
    about->Timer1.fire();
    for (int i = 0; i < 52; ++i)
        about->Trans.fire();
    EXPECT_EQ(last.count(), 1);
}
