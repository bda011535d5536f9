#include "player/MediaPlayer.h"
#include "player/CompactBar.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
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
        IcyStreamer::serve(server, path,
                           {.source = generatedMp3(30),
                            .metaInt = 8000,
                            .title = std::move(title),
                            .dropAfter = dropAfter});
    }

    bool waitForState(MediaPlayer& player, State state, int ms = 20000)
    {
        return waitUntil([&] { return player.state() == state; }, ms);
    }

    HttpTestServer server;
};

} // namespace

TEST_F(MediaPlayerTest, PlaysAServedFileOnceAndStopsAtItsEnd)
{
    // The second file's duration is estimated at about twice its length: it still ends once.
    server.setReply("/tone.mp3", HttpTestServer::ok(generatedMp3(2), "audio/mpeg"));
    server.setReply("/vbr.mp3", HttpTestServer::ok(generatedVbrMp3(4), "audio/mpeg"));
    MediaPlayer player(nullOutputs());
    for (const char* path : {"/tone.mp3", "/vbr.mp3"}) {
        SCOPED_TRACE(path);
        const qsizetype before = server.requests().size();
        QSignalSpy states(&player, &MediaPlayer::stateChanged);
        player.setURL(server.url(path));
        EXPECT_EQ(player.state(), State::Connecting); // returns at once, plays by itself
        ASSERT_TRUE(waitForState(player, State::Stopped, 20000));
        EXPECT_EQ(server.requests().size(), before + 1);
        QList<State> seen;
        for (const auto& args : states)
            seen.append(args.at(0).value<State>());
        EXPECT_TRUE(seen.contains(State::Playing));
        EXPECT_FALSE(seen.contains(State::Reconnecting));
    }
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
    QStringList shown; // outlives the player, whose shutdown still reports a state
    MediaPlayer player(nullOutputs());
    QObject::connect(&player, &MediaPlayer::stateChanged, &player, [&](State s) {
        shown.append(s == State::Reconnecting ? player.statusText() : QString());
    });
    player.setURL(server.url("/live"));
    ASSERT_TRUE(waitForState(player, State::Playing));
    ASSERT_TRUE(waitForState(player, State::Reconnecting, 30000));
    ASSERT_TRUE(waitForState(player, State::Playing, 30000));
    EXPECT_TRUE(shown.contains(QStringLiteral("正在重新连接 (1/10)…")));
    EXPECT_GE(server.requests().size(), 2);
    for (const auto& r : server.requests())
        EXPECT_EQ(r.target, "/live");
}

TEST_F(MediaPlayerTest, ADeadStationSaysWhyAtOnce)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close(); // nothing listens there now
    server.setReply("/gone", HttpTestServer::Reply().then(HttpTestServer::response(
                                 404, "Not Found", {"Content-Length: 0"})));
    server.setReply("/page", HttpTestServer::ok(QByteArray(8000, 'x'), "text/html"));
    const struct
    {
        QString url;
        QString status;
    } stations[] = {
        {QStringLiteral("http://127.0.0.1:%1/radio").arg(port), "无法播放：无法连接"},
        {server.url("/gone"), "无法播放：未找到 (HTTP 404)"},
        {QStringLiteral("http://no-such-station.invalid/radio"), "无法播放：找不到服务器"},
        {server.url("/page"), "无法播放：格式不支持"},
    };
    MediaPlayer player(nullOutputs());
    for (const auto& station : stations) {
        SCOPED_TRACE(station.url.toStdString());
        const qsizetype before = server.requests().size();
        player.close();
        player.setURL(station.url);
        ASSERT_TRUE(waitForState(player, State::Failed, 15000));
        EXPECT_EQ(player.statusText(), station.status);
        EXPECT_LE(server.requests().size(), before + 1); // no retry of a station that never played
    }
}

TEST_F(MediaPlayerTest, TheStatusLineNamesTheStationAndShowsEveryNewTry)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString url = QStringLiteral("http://127.0.0.1:%1/radio").arg(closed.serverPort());
    closed.close();
    MediaPlayer player(nullOutputs());
    const auto* bar = player.findChild<CompactBar*>();
    ASSERT_NE(bar, nullptr);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        player.close();
        player.setStationName(QStringLiteral("中国之声"));
        player.setURL(url);
        EXPECT_EQ(bar->statusText(), QStringLiteral("正在连接… · 中国之声"));
        ASSERT_TRUE(waitForState(player, State::Failed, 15000));
        EXPECT_EQ(player.statusText(), QStringLiteral("中国之声 · 无法播放：无法连接"));
        // The bar keeps "connecting" up a moment, then says why.
        EXPECT_TRUE(waitUntil(
            [&] { return bar->statusText() == QStringLiteral("无法播放：无法连接 · 中国之声"); },
            5000));
    }
    player.close();
    EXPECT_EQ(bar->statusText(), QStringLiteral("已停止")); // a closed player names no station
}

TEST_F(MediaPlayerTest, RecordsTheStreamAsReceivedAndAFolderWithoutRoomLeavesPlaybackAlone)
{
    // No head start: the recorder's own connection would get the station's burst too, seconds of
    // sound on top of the recorded time.
    IcyStreamer::Options live;
    live.source = generatedMp3(30);
    live.burstBytes = 0;
    live.metaInt = 8000;
    live.title = "Rec";
    IcyStreamer::serve(server, "/rec", live);
    MediaPlayer player(nullOutputs());
    player.setStationName(QStringLiteral("电台"));
    player.setURL(server.url("/rec"));
    ASSERT_TRUE(waitForState(player, State::Playing));

    QTemporaryDir dir;
    QElapsedTimer recorded;
    const QString path = player.startRecording(dir.path());
    recorded.start();
    ASSERT_TRUE(path.endsWith(QStringLiteral(".mp3"))) << path.toStdString();
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("电台 ")));
    EXPECT_TRUE(player.statusText().startsWith(QStringLiteral("电台 · 正在播放: Rec · 录音 00:0")));
    runFor(3000); // what is measured is the recorded time itself
    QSignalSpy saved(player.engine(), &PlayerEngine::recordingSaved);
    player.stopRecording();
    const double wall = recorded.elapsed() / 1000.0;
    EXPECT_FALSE(player.isRecording());
    EXPECT_TRUE(waitUntil([&] { return !saved.isEmpty(); }, 5000));
    EXPECT_TRUE(player.statusText().contains(QStringLiteral("录音已保存 00:0")))
        << player.statusText().toStdString();

    // 16 kB a second arrived while it recorded (the recorder's own tests check the sound).
    const double seconds = (QFileInfo(path).size() - 4096) / 16000.0;
    EXPECT_NEAR(seconds, wall, 1.0) << QFileInfo(path).size() << " bytes";

    // A folder where no file can be made: nothing starts, the reason is given, the station plays.
    QString why;
    EXPECT_TRUE(player.startRecording(dir.filePath("no/such/folder"), &why).isEmpty());
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(player.isRecording());
    EXPECT_EQ(player.state(), State::Playing);
}

TEST_F(MediaPlayerTest, EmptyAddressPlaysNothing)
{
    // What played before goes: the empty address ends it and starts nothing in its place.
    QPointer<QTcpSocket> stream;
    IcyStreamer::serve(server, "/before", generatedMp3(30), &stream);
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/before"));
    ASSERT_TRUE(waitForState(player, State::Playing));
    ASSERT_FALSE(stream.isNull());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    player.setURL(QString());
    EXPECT_EQ(player.state(), State::Stopped);
    ASSERT_TRUE(waitUntil(
        [&] { return stream.isNull() || stream->state() != QAbstractSocket::ConnectedState; },
        10000))
        << "the station played before still streams";
    player.setURL(QStringLiteral("   ")); // on an idle player: nothing at all
    flushEvents();
    EXPECT_EQ(player.state(), State::Stopped);
    ASSERT_EQ(states.count(), 1);
    EXPECT_EQ(states[0].at(0).value<State>(), State::Stopped);
    EXPECT_EQ(server.requests().size(), 1); // nothing new was asked for
}

TEST_F(MediaPlayerTest, CloseStopsAtOnceAndANewAddressTakesOver)
{
    QPointer<QTcpSocket> first;
    IcyStreamer::serve(server, "/one",
                       {.source = generatedMp3(30), .metaInt = 8000, .title = "One"}, &first);
    serveIcy("/two", "Two");
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/one"));
    ASSERT_TRUE(waitUntil([&] { return player.nowPlaying() == "One"; }, 20000));
    ASSERT_FALSE(first.isNull());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    QSignalSpy titles(&player, &MediaPlayer::nowPlayingChanged);
    player.close();
    EXPECT_EQ(player.state(), State::Stopped);
    // mpv lets go of the first station: the server sees its connection closed.
    ASSERT_TRUE(waitUntil(
        [&] { return first.isNull() || first->state() != QAbstractSocket::ConnectedState; }, 10000))
        << "the first station still streams after close()";
    flushEvents();
    // Nothing of the first station is reported after the stop.
    EXPECT_EQ(player.state(), State::Stopped);
    for (const auto& args : states)
        EXPECT_EQ(args.at(0).value<State>(), State::Stopped);
    for (const auto& args : titles)
        EXPECT_TRUE(args.at(0).toString().isEmpty());

    player.setURL(server.url("/two"));
    ASSERT_TRUE(waitUntil([&] { return player.nowPlaying() == "Two"; }, 20000));
    EXPECT_EQ(player.state(), State::Playing);
    EXPECT_EQ(player.nowPlaying(), "Two");
    EXPECT_EQ(server.requests().size(), 2); // the first station was not asked for again
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

TEST_F(MediaPlayerTest, AStreamBehindAnAsxNameIsPlayedAsItIs)
{
    // The resolver stops at its 64 KiB cap instead of downloading the stream.
    serveIcy("/live.asx", "Not a playlist");
    MediaPlayer player(nullOutputs());
    player.setURL(server.url("/live.asx"));
    ASSERT_TRUE(waitUntil([&] { return player.nowPlaying() == "Not a playlist"; }, 20000));
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].target, "/live.asx");
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

TEST_F(MediaPlayerTest, ShutdownWhileAnAsxIsFetchedLoadsNothing)
{
    serveIcy("/behind-asx", "Never");
    const QByteArray asx =
        "<asx><entry><ref href=\"" + server.url("/behind-asx").toUtf8() + "\"/></entry></asx>";
    HttpTestServer::Reply slow;
    slow.then(HttpTestServer::response(200, "OK",
                                       {"Content-Length: " + QByteArray::number(asx.size())}))
        .then(asx, 60000);
    server.setReply("/slow.asx", slow);
    MediaPlayer player(nullOutputs());
    QSignalSpy states(&player, &MediaPlayer::stateChanged);
    player.setURL(server.url("/slow.asx"));
    ASSERT_TRUE(waitUntil([&] { return server.requests().size() == 1; }));
    player.shutdown();
    EXPECT_EQ(player.state(), State::Stopped);
    flushEvents();
    const qsizetype afterShutdown = states.count();
    player.setURL(server.url("/behind-asx")); // a released player plays nothing
    EXPECT_EQ(player.state(), State::Stopped);
    EXPECT_EQ(states.count(), afterShutdown);
    EXPECT_EQ(server.requests().size(), 1);
}
