#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "platform/WindowAlpha.h"
#include "tests/support/TestUtil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

using namespace kelvane;

TEST(TimerTest, FiresOnlyWhileEnabledWithInterval)
{
    Timer timer;
    QSignalSpy ticks(&timer, &Timer::timeout);
    timer.fire();
    timer.setInterval(100);
    timer.fire();
    EXPECT_EQ(ticks.count(), 0);
    timer.setEnabled(true);
    timer.fire();
    EXPECT_EQ(ticks.count(), 1);
    timer.setInterval(0); // interval 0 keeps an enabled timer silent
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.isRunning());
    timer.fire();
    EXPECT_EQ(ticks.count(), 1);
}

TEST(TimerTest, ShortIntervalsRunAtThePlatformMinimumPeriod)
{
    Timer timer(1, true);
    EXPECT_EQ(timer.Interval(), 1);
    QSignalSpy ticks(&timer, &Timer::timeout);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(test::waitUntil([&] { return ticks.count() >= 3; }, 5000));
    // Three ticks can't come sooner than two full minimum periods.
    EXPECT_GE(clock.elapsed(), 2 * Timer::kMinimumPeriodMs);
}

TEST(TimerTest, DisablingStopsTheCount)
{
    Timer timer(20, true);
    QSignalSpy ticks(&timer, &Timer::timeout);
    timer.setEnabled(false);
    test::runFor(80);
    EXPECT_EQ(ticks.count(), 0);
}

TEST(WindowAlphaTest, ResultCodes)
{
    QWidget window;
    EXPECT_EQ(SetWindowAlpha(&window, 0), 0);
    EXPECT_EQ(SetWindowAlpha(&window, 128), 0);
    EXPECT_NEAR(window.windowOpacity(), 128 / 255.0, 0.01);
    EXPECT_EQ(SetWindowAlpha(&window, 255), 0);
    EXPECT_EQ(SetWindowAlpha(&window, 256), 1);
    EXPECT_EQ(SetWindowAlpha(&window, -5), 1);
    EXPECT_NEAR(window.windowOpacity(), 1.0, 0.01); // out-of-range values change nothing

    QWidget child(&window);
    EXPECT_EQ(SetWindowAlpha(&child, 100), 2);
    EXPECT_EQ(SetWindowAlpha(nullptr, 100), 2);
}

TEST(TwipsTest, Conversions)
{
    EXPECT_EQ(twipsToPixelsRounded(5265), 351);
    EXPECT_EQ(twipsToPixelsRounded(4680), 312);
    EXPECT_EQ(twipsToPixelsRounded(5116), 341);
    EXPECT_EQ(twipsToHimetric(1575), 2778);
    EXPECT_EQ(twipsToHimetric(300), 529);
    EXPECT_EQ(twipsToHimetric(5295), 9340);
    EXPECT_EQ(twipsToHimetric(480), 847);
    EXPECT_EQ(twipsToHimetric(1020), 1799);
    EXPECT_NEAR(himetricToTwips(2778), 1575, 0.5);
}

TEST(ShellTest, OnlyWebLinksCountAsWebUrls)
{
    EXPECT_TRUE(isWebUrl(QUrl("https://example.com/a")));
    EXPECT_TRUE(isWebUrl(QUrl("HTTP://example.com")));
    EXPECT_FALSE(isWebUrl(QUrl("file:///bin/sh")));
    EXPECT_FALSE(isWebUrl(QUrl("javascript:alert(1)")));
    EXPECT_FALSE(isWebUrl(QUrl("/usr/bin/xterm")));
    DesktopShell shell;
    EXPECT_FALSE(shell.openUrl(QUrl("file:///etc/passwd")));
}

TEST(MessageBoxTest, ShowsAServersWordsAsPlainText)
{
    const QString text = QStringLiteral("HTTP/1.1 500 <a href=\"http://evil.example/\">click</a>");
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text() == text) {
                shown = label->text();
                format = label->textFormat();
            }
        }
        box->accept();
    });
    QtMessageBox().show(nullptr, text, QStringLiteral("错误"), MessageBox::Icon::Error);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, text);
}
