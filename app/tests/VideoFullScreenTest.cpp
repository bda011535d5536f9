// The video window on a real X server with a real window manager (openbox): after full screen it
// is back at its place, its size and its frame.
#include "app/tests/AppFixture.h"
#include "windows/VideoWindow.h"

#include <QProcess>
#include <QStandardPaths>

using namespace kelvane;
using namespace kelvane::test;

namespace {

std::string rectText(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

class VideoFullScreenTest : public AppFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_windowManager = new QProcess;
        s_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        s_windowManager->waitForStarted(5000);
        // In charge once it names its check window on the root.
        waitUntil(
            [] {
                QProcess xprop;
                xprop.start(QStringLiteral("xprop"),
                            {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
                xprop.waitForFinished(5000);
                return xprop.readAll().contains("window id");
            },
            10000);
    }
    static void TearDownTestSuite()
    {
        s_windowManager->terminate();
        if (!s_windowManager->waitForFinished(5000))
            s_windowManager->kill();
        delete s_windowManager;
        s_windowManager = nullptr;
    }
    static inline QProcess* s_windowManager = nullptr;
};

} // namespace

TEST_F(VideoFullScreenTest, ComesBackAtItsPlaceSizeAndFrame)
{
    ASSERT_EQ(s_windowManager->state(), QProcess::Running) << "openbox (scripts/setup adds it)";
    auto* video = dynamic_cast<VideoWindow*>(forms.show(QStringLiteral("frmTV")));
    ASSERT_NE(video, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(video));
    video->move(200, 150);
    // The manager has framed it: the client sits below the title bar.
    ASSERT_TRUE(waitUntil(
        [&] { return video->pos() == QPoint(200, 150) && video->geometry().top() > 150; }, 5000));
    const QRect frame = video->frameGeometry();
    const QRect client = video->geometry();

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        video->toggleFullScreen();
        ASSERT_TRUE(
            waitUntil([&] { return video->geometry() == video->screen()->geometry(); }, 5000));
        video->toggleFullScreen();
        EXPECT_TRUE(waitUntil(
            [&] { return video->frameGeometry() == frame && video->geometry() == client; }, 5000))
            << "frame " << rectText(video->frameGeometry()) << " (was " << rectText(frame)
            << "), client " << rectText(video->geometry()) << " (was " << rectText(client) << ")";
    }
}
