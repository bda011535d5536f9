#include "app/MediaPlayer.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <QSignalSpy>
#include <QStringEncoder>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;
using State = MediaPlayer::State;

namespace {

MediaPlayerSettings nullOutputs()
{
    MediaPlayerSettings s;
    s.extraOptions = {"ao=null", "vo=null"};
    return s;
}

class MediaPlayerTest : public ::testing::Test
{
protected:
    void TearDown() override { flushEvents(); }

    // A live stream looping a 30-second file: its length header says 30 s, as a stream cut
    // from a file can.
    void serveIcy(const QByteArray& path, QByteArray title, qint64 dropAfter = -1)
    {
        const QByteArray mp3 = generatedMp3(30);
        server.setHandler(path, [mp3, title, dropAfter](QTcpSocket* socket,
                                                        const HttpTestServer::Request& request) {
            IcyStreamer::Options o;
            o.source = mp3;
            o.metaInt = 8000;
            o.title = title;
            o.dropAfter = dropAfter;
            IcyStreamer::start(socket, request, o);
        });
    }

    bool waitForState(MediaPlayer& player, State state, int ms = 20000)
    {
        return waitUntil([&] { return player.state() == state; }, ms);
    }

    HttpTestServer server;
};

} // namespace

TEST(StreamTitleText, Utf8WhenValidElseGbk)
{
    EXPECT_EQ(DecodeStreamTitle("Caf\xc3\xa9 - \xe6\xad\x8c"), QStringLiteral("Café - 歌"));
    QStringEncoder gbk("GBK");
    const QByteArray bytes = gbk.encode(QStringLiteral("周杰伦 - 晴天"));
    EXPECT_EQ(DecodeStreamTitle(bytes), QStringLiteral("周杰伦 - 晴天"));
}

TEST(AsxPlaylist, FirstReferenceInAnyCase)
{
    EXPECT_EQ(FirstAsxReference("<ASX version=\"3.0\"><Entry><REF HREF=\"mms://a/b\"/>"
                                "<ref href=\"http://c/d\"/></Entry></ASX>"),
              "mms://a/b");
    EXPECT_EQ(FirstAsxReference("<asx><entry><Ref Href='http://x/y?a=1&amp;b=2' /></entry></asx>"),
              "http://x/y?a=1&b=2");
    // Not well-formed XML (bare '&'), as real ones often are.
    EXPECT_EQ(FirstAsxReference("<asx><entry><ref href=\"http://x/y?a=1&b=2\"></entry>"),
              "http://x/y?a=1&b=2");
    EXPECT_EQ(FirstAsxReference("<asx><entry><title>no ref</title></entry></asx>"), "");
    EXPECT_EQ(FirstAsxReference("<asx><entry><reference href=\"http://no\"/></entry></asx>"), "");
    EXPECT_TRUE(LooksLikeAsx("http://a/b/Live.ASX"));
    EXPECT_TRUE(LooksLikeAsx("http://a/b/live.asx?x=1"));
    EXPECT_FALSE(LooksLikeAsx("http://a/b/live.asx.mp3"));
}

TEST_F(MediaPlayerTest, PlaysAServedFileAndStopsAtItsEnd)
{
    server.setReply("/tone.mp3", HttpTestServer::ok(generatedMp3(2), "audio/mpeg"));
    MediaPlayer player(nullOutputs());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    player.setURL(server.url("/tone.mp3"));
    EXPECT_EQ(player.state(), State::Connecting); // returns at once, plays by itself
    ASSERT_TRUE(waitForState(player, State::Playing));
    // A file with a known length that plays to its end is finished, not a drop.
    ASSERT_TRUE(waitForState(player, State::Stopped, 15000));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(MediaPlayerTest, ShowsTheIcyTitleInUtf8AndGbk)
{
    serveIcy("/utf8", "Artist \xe2\x80\x93 \xe6\xad\x8c\xe6\x9b\xb2");
    QStringEncoder gbk("GBK");
    serveIcy("/gbk", gbk.encode(QStringLiteral("邓丽君 - 甜蜜蜜")));
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/utf8"));
    ASSERT_TRUE(waitUntil([&] { return !player.nowPlaying().isEmpty(); }, 20000));
    EXPECT_EQ(player.nowPlaying(), QStringLiteral("Artist – 歌曲"));
    EXPECT_EQ(player.state(), State::Playing);
    EXPECT_TRUE(player.statusText().contains(QStringLiteral("歌曲")));

    player.close();
    EXPECT_TRUE(player.nowPlaying().isEmpty());
    player.setURL(server.url("/gbk"));
    ASSERT_TRUE(waitUntil([&] { return !player.nowPlaying().isEmpty(); }, 20000));
    EXPECT_EQ(player.nowPlaying(), QStringLiteral("邓丽君 - 甜蜜蜜"));
}

TEST_F(MediaPlayerTest, ReconnectsALiveStreamThatDrops)
{
    serveIcy("/live", "On air", 64000 + 16000); // the burst and about one second more
    MediaPlayer player(nullOutputs());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    player.setURL(server.url("/live"));
    ASSERT_TRUE(waitForState(player, State::Playing));
    ASSERT_TRUE(waitForState(player, State::Reconnecting, 30000));
    ASSERT_TRUE(waitForState(player, State::Playing, 30000));
    EXPECT_GE(server.requests().size(), 2);
    for (const auto& r : server.requests())
        EXPECT_EQ(r.target, "/live");
}

TEST_F(MediaPlayerTest, ADeadStationFailsQuicklyWithoutRetrying)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close(); // nothing listens there now
    MediaPlayer player(nullOutputs());
    player.setURL(QStringLiteral("http://127.0.0.1:%1/radio").arg(port));
    ASSERT_TRUE(waitForState(player, State::Failed, 15000));
    runFor(1500);
    EXPECT_EQ(player.state(), State::Failed);
}

TEST_F(MediaPlayerTest, EmptyAddressPlaysNothing)
{
    MediaPlayer player(nullOutputs());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    player.setURL(QString());
    player.setURL(QStringLiteral("   "));
    runFor(200);
    EXPECT_EQ(player.state(), State::Stopped);
    EXPECT_EQ(states.count(), 0);
}

TEST_F(MediaPlayerTest, CloseStopsAtOnceAndANewAddressTakesOver)
{
    serveIcy("/one", "One");
    serveIcy("/two", "Two");
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/one"));
    ASSERT_TRUE(waitForState(player, State::Playing));
    player.close();
    EXPECT_EQ(player.state(), State::Stopped);
    player.setURL(server.url("/two"));
    ASSERT_TRUE(waitUntil([&] { return player.nowPlaying() == "Two"; }, 20000));
    runFor(500); // late events of the first station must not disturb the second
    EXPECT_EQ(player.state(), State::Playing);
    EXPECT_EQ(player.nowPlaying(), "Two");
}

TEST_F(MediaPlayerTest, CloseOnAnIdlePlayerDoesNothing)
{
    MediaPlayer player(nullOutputs());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    player.close();
    player.close();
    EXPECT_EQ(states.count(), 0);
    EXPECT_EQ(player.state(), State::Stopped);
}

TEST_F(MediaPlayerTest, ResolvesAnXmlAsxToItsFirstReference)
{
    serveIcy("/stream", "Via asx");
    const QByteArray asx = "<ASX version=\"3.0\"><ENTRY><REF HREF=\"" +
                           server.url("/stream").toUtf8() + "\"/></ENTRY></ASX>";
    server.setReply("/station.asx", HttpTestServer::ok(asx, "video/x-ms-asf"));
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/station.asx"));
    ASSERT_TRUE(waitUntil([&] { return player.nowPlaying() == "Via asx"; }, 20000));
    ASSERT_GE(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].target, "/station.asx");
    EXPECT_EQ(server.requests()[1].target, "/stream");
}

TEST_F(MediaPlayerTest, PlaysThroughAPlsPlaylist)
{
    serveIcy("/pls-stream", "Via pls");
    const QByteArray pls =
        "[playlist]\nNumberOfEntries=1\nFile1=" + server.url("/pls-stream").toUtf8() + "\n";
    server.setReply("/station.pls", HttpTestServer::ok(pls, "audio/x-scpls"));
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/station.pls"));
    ASSERT_TRUE(waitUntil([&] { return player.nowPlaying() == "Via pls"; }, 20000));
    EXPECT_EQ(player.state(), State::Playing);
}

TEST_F(MediaPlayerTest, CompactBarControlsPlayback)
{
    serveIcy("/bar", "Bar");
    MediaPlayer player(nullOutputs());
    EXPECT_EQ(player.volume(), 50);
    player.setURL(server.url("/bar"));
    ASSERT_TRUE(waitForState(player, State::Playing));
    player.pause();
    ASSERT_TRUE(waitForState(player, State::Paused, 5000));
    player.play();
    ASSERT_TRUE(waitForState(player, State::Playing, 5000));
    player.stop();
    EXPECT_EQ(player.state(), State::Stopped);
    EXPECT_EQ(player.URL(), server.url("/bar")); // the bar's stop keeps the station
    player.play();
    ASSERT_TRUE(waitForState(player, State::Playing));
    player.setMuted(true);
    EXPECT_TRUE(player.isMuted());
    player.setVolume(130);
    EXPECT_EQ(player.volume(), 100);
}
