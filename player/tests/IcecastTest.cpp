#include "player/tests/Icecast.h"
#include "player/MediaPlayer.h"
#include "tests/support/TestUtil.h"

#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;
using State = MediaPlayer::State;

namespace {

class IcecastTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(icecast.start()) << icecast.error().toStdString();
        ASSERT_TRUE(icecast.startSource());
    }
    void TearDown() override { flushEvents(); }

    static MediaPlayerSettings nullOutputs()
    {
        MediaPlayerSettings s;
        s.extraOptions = {"ao=null", "vo=null"};
        return s;
    }

    Icecast icecast;
};

} // namespace

TEST_F(IcecastTest, ComesBackByItselfWhenTheSourceReturns)
{
    MediaPlayer player(nullOutputs());
    player.setURL(icecast.mountUrl());
    ASSERT_TRUE(waitUntil([&] { return player.state() == State::Playing; }, 20000));
    icecast.stopSource(); // the server drops its listeners and the mount is gone
    ASSERT_TRUE(waitUntil([&] { return player.state() == State::Reconnecting; }, 20000));
    ASSERT_TRUE(icecast.startSource());
    ASSERT_TRUE(waitUntil([&] { return player.state() == State::Playing; }, 40000))
        << player.statusText().toStdString();
}

TEST_F(IcecastTest, ShowsAChineseTitleSentAsCharacterReferences)
{
    MediaPlayer player(nullOutputs());
    player.setURL(icecast.mountUrl());
    ASSERT_TRUE(waitUntil([&] { return player.state() == State::Playing; }, 20000));
    ASSERT_TRUE(icecast.setTitle(QStringLiteral("测试 & Co")));
    ASSERT_TRUE(waitUntil([&] { return !player.nowPlaying().isEmpty(); }, 20000));
    EXPECT_EQ(player.nowPlaying(), QStringLiteral("测试 & Co"));
    EXPECT_EQ(player.statusText(), QStringLiteral("正在播放: 测试 & Co"));
}
