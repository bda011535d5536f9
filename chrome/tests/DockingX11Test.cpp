// The docking bar on a real X server with a real window manager (openbox): the window rests
// exactly where the arithmetic puts it, follows the real pointer, and comes up above an ordinary
// managed window without taking the focus from it. Runs under xvfb-run on a 1280 x 1024 screen.
#include "chrome/QuandleXPTaskBar.h"
#include "platform/PropertyBag.h"
#include "tests/support/TestUtil.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace kelvane;
using namespace Qt::StringLiterals;

namespace {

// Runs a small X client to its end (bounded) and returns what it printed.
QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void movePointer(int x, int y)
{
    run(u"xdotool"_s, {u"mousemove"_s, QString::number(x), QString::number(y)});
}

// The window as the X server has it.
struct ServerWindow
{
    QPoint position;
    QSize size;
    bool viewable = false;
    bool overrideRedirect = false;
};

ServerWindow serverWindow(const QWidget& window)
{
    const QString info = run(u"xwininfo"_s, {u"-id"_s, QString::number(window.winId())});
    const auto number = [&](const QString& label) {
        const QRegularExpression re(QRegularExpression::escape(label) + u":\\s*(-?\\d+)"_s);
        return re.match(info).captured(1).toInt();
    };
    ServerWindow w;
    w.position = {number(u"Absolute upper-left X"_s), number(u"Absolute upper-left Y"_s)};
    w.size = {number(u"Width"_s), number(u"Height"_s)};
    w.viewable = info.contains(u"Map State: IsViewable"_s);
    w.overrideRedirect = info.contains(u"Override Redirect State: yes"_s);
    return w;
}

QColor screenPixel(int x, int y)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, x, y, 1, 1).toImage().pixelColor(0, 0);
}

QWidget* paintedWindow(QWidget* window, Qt::GlobalColor colour)
{
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, colour);
    window->setPalette(palette);
    return window;
}

class DockingX11Test : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(u"openbox"_s).isEmpty())
            return;
        s_windowManager = new QProcess;
        s_windowManager->start(u"openbox"_s, {u"--sm-disable"_s});
        s_windowManager->waitForStarted(5000);
        // The manager is in charge once it names its check window on the root.
        test::waitUntil(
            [] {
                return run(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s})
                    .contains(u"window id"_s);
            },
            10000);
    }

    static void TearDownTestSuite()
    {
        if (s_windowManager == nullptr)
            return;
        s_windowManager->terminate();
        if (!s_windowManager->waitForFinished(5000))
            s_windowManager->kill();
        delete s_windowManager;
        s_windowManager = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(s_windowManager, nullptr) << "openbox is not installed (scripts/setup adds it)";
        ASSERT_EQ(s_windowManager->state(), QProcess::Running) << "openbox did not start";
        ASSERT_EQ(QGuiApplication::platformName(), u"xcb"_s);
        movePointer(640, 900);
        paintedWindow(&host, Qt::red)->setWindowTitle(u"Kelvane"_s);
        host.setFixedSize(351, 312);
        bar = new QuandleXPTaskBar(&host);
    }

    void TearDown() override { test::flushEvents(); }

    void dockAndShow()
    {
        PropertyBag bag;
        bag.writeInt(u"alignment"_s, 3);
        bar->UserControl_ReadProperties(bag);
        host.show();
        ASSERT_TRUE(test::waitUntil([&] { return serverWindow(host).viewable; }, 5000));
    }

    static inline QProcess* s_windowManager = nullptr;
    QWidget host;
    QuandleXPTaskBar* bar = nullptr;
};

TEST_F(DockingX11Test, TheWindowRestsExactlyAtItsDockedPlaceDespiteTheManager)
{
    ASSERT_TRUE(test::waitUntil(
        [] {
            return QGuiApplication::primaryScreen()->availableGeometry() == QRect(0, 0, 1280, 1024);
        },
        5000));
    dockAndShow();

    // Left (0 + 19200 - 5265) / 2 twips (464.5 px, halves to even); Top 50 - 4680 = -4630 twips.
    const ServerWindow w = serverWindow(host);
    EXPECT_EQ(w.position, QPoint(464, -309));
    EXPECT_EQ(w.size, QSize(351, 312));
    EXPECT_TRUE(w.overrideRedirect);
    EXPECT_FALSE(host.isActiveWindow());
}

TEST_F(DockingX11Test, TheRealPointerSlidesTheWindowInAndOut)
{
    dockAndShow();

    movePointer(600, 1);
    ASSERT_TRUE(test::waitUntil([&] { return host.pos() == QPoint(464, 0); }, 5000));
    EXPECT_TRUE(
        test::waitUntil([&] { return serverWindow(host).position == QPoint(464, 0); }, 2000));
    // Stopped: a while later it is still fully shown.
    test::runFor(300);
    EXPECT_EQ(serverWindow(host).position, QPoint(464, 0));

    movePointer(600, 700);
    ASSERT_TRUE(test::waitUntil([&] { return host.pos() == QPoint(464, -309); }, 5000));
    EXPECT_TRUE(
        test::waitUntil([&] { return serverWindow(host).position == QPoint(464, -309); }, 2000));
}

TEST_F(DockingX11Test, ItComesUpAboveAnOrdinaryWindowWithoutTakingItsFocus)
{
    dockAndShow();
    QWidget ordinary;
    paintedWindow(&ordinary, Qt::blue)->setWindowTitle(u"Ordinary"_s);
    ordinary.showMaximized();
    ASSERT_TRUE(test::waitUntil([&] { return serverWindow(ordinary).viewable; }, 5000));
    // Focused the way a user does it: the manager gives the focus to a clicked window.
    run(u"xdotool"_s, {u"mousemove"_s, u"640"_s, u"600"_s, u"click"_s, u"1"_s});
    ASSERT_TRUE(test::waitUntil([&] { return ordinary.isActiveWindow(); }, 5000));
    EXPECT_FALSE(serverWindow(ordinary).overrideRedirect);
    // Put the docked window under the ordinary one, whose frame then covers the strip.
    ASSERT_EQ(screenPixel(600, 1), QColor(Qt::red));
    host.lower();
    ASSERT_TRUE(test::waitUntil([] { return screenPixel(600, 1) != QColor(Qt::red); }, 5000));
    ASSERT_EQ(screenPixel(600, 150), QColor(Qt::blue));

    movePointer(600, 1);
    ASSERT_TRUE(test::waitUntil([&] { return host.pos() == QPoint(464, 0); }, 5000));
    EXPECT_TRUE(test::waitUntil([] { return screenPixel(600, 150) == QColor(Qt::red); }, 5000));
    EXPECT_TRUE(ordinary.isActiveWindow());
    EXPECT_FALSE(host.isActiveWindow());
}

TEST_F(DockingX11Test, BelowARealTopPanelTheWindowDocksUnderItAndStaysReachable)
{
    // A 30-pixel panel that reserves the top of the screen, as desktop panels do.
    QWidget panel;
    paintedWindow(&panel, Qt::green)->setAttribute(Qt::WA_X11NetWmWindowTypeDock);
    panel.setGeometry(0, 0, 1280, 30);
    panel.show();
    ASSERT_TRUE(test::waitUntil([&] { return serverWindow(panel).viewable; }, 5000));
    run(u"xprop"_s,
        {u"-id"_s, QString::number(panel.winId()), u"-f"_s, u"_NET_WM_STRUT_PARTIAL"_s, u"32c"_s,
         u"-set"_s, u"_NET_WM_STRUT_PARTIAL"_s, u"0,0,30,0,0,0,0,0,0,1279,0,0"_s});
    ASSERT_TRUE(test::waitUntil(
        [] {
            return QGuiApplication::primaryScreen()->availableGeometry() == QRect(0, 30, 1280, 994);
        },
        5000));

    // Top 450 - 4680 + 50 = -4180 twips (-278.7 px): rows 30 to 32 show below the panel.
    dockAndShow();
    EXPECT_EQ(serverWindow(host).position, QPoint(464, -279));

    for (int round = 0; round < 2; ++round) {
        movePointer(600, 31);
        ASSERT_TRUE(test::waitUntil([&] { return host.pos() == QPoint(464, 30); }, 5000));
        EXPECT_TRUE(
            test::waitUntil([&] { return serverWindow(host).position == QPoint(464, 30); }, 2000));
        movePointer(600, 700);
        ASSERT_TRUE(test::waitUntil([&] { return host.pos() == QPoint(464, -279); }, 5000));
    }
}

} // namespace
