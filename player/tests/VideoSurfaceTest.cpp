#include "player/MediaPlayer.h"
#include "tests/support/TestUtil.h"

#include <QOpenGLWidget>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;

TEST(VideoSurface, ShownAfterThePlayerWasReleasedDrawsNothing)
{
    // The window is unloading: its player is released before the video area is ever shown.
    MediaPlayerSettings settings;
    settings.uiMode = QStringLiteral("none");
    settings.extraOptions = {"ao=null"};
    QWidget window;
    auto* player = new MediaPlayer(settings, &window);
    window.resize(320, 240);
    player->resize(320, 240);
    player->shutdown();
    window.show(); // the surface gets its GL context now, with no core behind it
    ASSERT_TRUE(waitUntil([&] {
        auto* gl = qobject_cast<QOpenGLWidget*>(player->videoArea());
        return gl != nullptr && gl->isValid();
    }));
    flushEvents();
    EXPECT_EQ(player->state(), MediaPlayer::State::Stopped);
}
