#include "engine/PlayerEngine.h"
#include "engine/MpvSession.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace kelvane;
using namespace kelvane::test;
using State = PlayerEngine::State;

namespace {

EngineSettings nullOutputs()
{
    EngineSettings s;
    s.extraOptions = {"ao=null", "vo=null"};
    return s;
}

// Runs ffmpeg into the folder; the media files it made, by name.
QHash<QString, QByteArray> ffmpeg(const QStringList& args)
{
    static QTemporaryDir root;
    QDir dir(root.path());
    const QString sub = QString::number(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    dir.mkdir(sub);
    dir.cd(sub);
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} + args);
    EXPECT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0) << p.readAllStandardError().data();
    QHash<QString, QByteArray> files;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            files.insert(name, f.readAll());
    }
    return files;
}

// Serves the bytes as a file server does, with byte ranges (a player seeks to an index at the end).
void serveFile(HttpTestServer& server, const QByteArray& path, const QByteArray& bytes)
{
    server.setHandler(path, [bytes](QTcpSocket* socket, const HttpTestServer::Request& request) {
        qint64 from = 0;
        const QByteArray range = request.header("range"); // "bytes=N-"
        if (range.startsWith("bytes="))
            from = std::clamp<qint64>(range.mid(6, range.indexOf('-') - 6).toLongLong(), 0,
                                      bytes.size());
        const QByteArray body = bytes.mid(from);
        QList<QByteArray> headers = {"Content-Length: " + QByteArray::number(body.size()),
                                     "Accept-Ranges: bytes", "Connection: close"};
        if (from > 0)
            headers.append("Content-Range: bytes " + QByteArray::number(from) + '-' +
                           QByteArray::number(bytes.size() - 1) + '/' +
                           QByteArray::number(bytes.size()));
        socket->write(HttpTestServer::response(from > 0 ? 206 : 200,
                                               from > 0 ? "Partial Content" : "OK", headers, body));
        socket->disconnectFromHost();
    });
}

bool everReconnected(const QSignalSpy& states)
{
    for (const auto& args : states) {
        if (args.at(0).value<State>() == State::Reconnecting)
            return true;
    }
    return false;
}

class PlayerEngineTest : public ::testing::Test
{
protected:
    void TearDown() override { flushEvents(); }
    HttpTestServer server;
};

} // namespace

// An option this libmpv does not know is silently lost otherwise, and with it what it bounds.
TEST_F(PlayerEngineTest, LibmpvTakesEveryOptionTheEngineSets)
{
    for (const bool video : {false, true}) {
        EngineSettings settings;
        settings.video = video;
        PlayerEngine engine(settings);
        ASSERT_TRUE(engine.session()->isValid());
        EXPECT_TRUE(engine.session()->refusedOptions().isEmpty())
            << "video " << video << ": " << engine.session()->refusedOptions().join(' ').data();
    }
    EngineSettings settings;
    settings.extraOptions = {"no-such-option=1"};
    PlayerEngine engine(settings);
    EXPECT_EQ(engine.session()->refusedOptions(), QList<QByteArray>{"no-such-option"});
}

TEST_F(PlayerEngineTest, AFinishedProgrammeNeverReplays)
{
    // Each of these ends where the bytes alone could not tell that it was whole.
    const struct
    {
        const char* name;
        std::function<QString()> serve; // the address to play
    } programmes[] = {
        {"HLS VOD playlist with ENDLIST",
         [&] {
             const auto files = ffmpeg({"-f", "lavfi", "-i", "sine=duration=6", "-c:a", "aac", "-f",
                                        "hls", "-hls_time", "2", "-hls_playlist_type", "vod",
                                        "-hls_segment_filename", "seg%d.ts", "vod.m3u8"});
             for (auto it = files.cbegin(); it != files.cend(); ++it)
                 server.setReply("/hls/" + it.key().toUtf8(), HttpTestServer::ok(it.value()));
             return server.url("/hls/vod.m3u8");
         }},
        {"M4A with an index at its end larger than the slack",
         [&] {
             // Cover art in the index makes it larger than the 256 KiB of slack.
             const auto art = ffmpeg({"-f", "lavfi", "-i",
                                      "nullsrc=s=640x640,geq=random(1)*255:random(1)*255:128",
                                      "-frames:v", "1", "cover.png"});
             const QString cover = writeTempFile("cover.png", art.value("cover.png"));
             const QStringList args = {"-f",
                                       "lavfi",
                                       "-i",
                                       "sine=duration=4",
                                       "-i",
                                       cover,
                                       "-map",
                                       "0:a",
                                       "-map",
                                       "1:v",
                                       "-c:a",
                                       "aac",
                                       "-c:v",
                                       "copy",
                                       "-disposition:v:0",
                                       "attached_pic",
                                       "tail.m4a"};
             const auto files = ffmpeg(args);
             const QByteArray m4a = files.value("tail.m4a");
             EXPECT_GT(m4a.size() - m4a.indexOf("moov"), 300 * 1024);
             serveFile(server, "/tail.m4a", m4a);
             return server.url("/tail.m4a");
         }},
        {"M4A sent without Content-Length, its index at the front",
         [&] {
             const auto files = ffmpeg({"-f", "lavfi", "-i", "sine=duration=4", "-c:a", "aac",
                                        "-movflags", "+faststart", "front.m4a"});
             server.setReply("/nolength.m4a", HttpTestServer::Reply()
                                                  .then(HttpTestServer::response(
                                                      200, "OK", {"Content-Type: audio/mp4"}))
                                                  .then(files.value("front.m4a")));
             return server.url("/nolength.m4a");
         }},
    };
    for (const auto& p : programmes) {
        SCOPED_TRACE(p.name);
        const QString url = p.serve();
        PlayerEngine engine(nullOutputs());
        QSignalSpy states(&engine, &PlayerEngine::stateChanged);
        engine.setURL(url);
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 20000));
        ASSERT_TRUE(waitUntil([&] { return engine.state() != State::Playing; }, 20000));
        EXPECT_EQ(engine.state(), State::Stopped) << engine.statusText().toStdString();
        EXPECT_FALSE(everReconnected(states)); // a replay starts with a reconnect
    }
}

TEST_F(PlayerEngineTest, AStationOutlivesAnOutageAndPauseHoldsItsTries)
{
    // The station plays, drops, and answers 404 while it is "down" (an icecast mount whose
    // source is gone); the quick tries are shortened, the wait of a minute is not.
    bool down = false;
    int tries = 0;
    server.setHandler("/live", [&](QTcpSocket* socket, const HttpTestServer::Request& request) {
        ++tries;
        if (down) {
            socket->write(HttpTestServer::response(404, "Not Found", {"Content-Length: 0"}));
            socket->disconnectFromHost();
            return;
        }
        IcyStreamer::Options live;
        live.source = generatedMp3(30);
        live.dropAfter = tries == 1 ? 80000 : -1; // the burst and about a second more
        IcyStreamer::start(socket, request, live);
        down = tries == 1;
    });
    EngineSettings settings = nullOutputs();
    settings.retryTiming = {20, 40, ReconnectPolicy::kWaitRetryMs};
    PlayerEngine engine(settings);
    engine.setStationName(QStringLiteral("电台"));
    engine.setURL(server.url("/live"));
    ASSERT_TRUE(waitUntil([&] { return engine.isWaiting(); }, 30000))
        << engine.statusText().toStdString() << ", requests: " << tries;
    EXPECT_EQ(engine.state(), State::Reconnecting);
    EXPECT_EQ(engine.statusText(), QStringLiteral("电台 · 等待网络… (未找到 (HTTP 404))"));
    EXPECT_EQ(tries, 1 + ReconnectPolicy::kMaxRetries);

    // The network is back (still down here): one try at once, then the wait again.
    engine.retryNow();
    ASSERT_TRUE(waitUntil([&] { return tries == 2 + ReconnectPolicy::kMaxRetries; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return engine.isWaiting(); }, 10000));

    // Pause stops trying; play tries at once, and the station is back.
    engine.pause();
    EXPECT_EQ(engine.state(), State::Paused);
    EXPECT_EQ(engine.statusText(), QStringLiteral("电台 · 已暂停"));
    engine.retryNow(); // a paused station stays paused
    down = false;
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000));
    EXPECT_EQ(tries, 3 + ReconnectPolicy::kMaxRetries);
}

TEST_F(PlayerEngineTest, PauseWhileConnectingStopsTheTry)
{
    // The first request is never answered; the one after play streams.
    IcyStreamer::Options live;
    live.source = generatedMp3(30);
    bool answers = false;
    server.setHandler("/slow", [&](QTcpSocket* socket, const HttpTestServer::Request& request) {
        if (answers)
            IcyStreamer::start(socket, request, live);
    });
    PlayerEngine engine(nullOutputs());
    engine.setURL(server.url("/slow"));
    ASSERT_TRUE(waitUntil([&] { return server.requests().size() == 1; }));
    ASSERT_EQ(engine.state(), State::Connecting);
    engine.pause();
    EXPECT_EQ(engine.state(), State::Paused);
    answers = true;
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 20000));
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(PlayerEngineTest, AnAsxPointingOffTheNetworkPlaysNothing)
{
    const QString local = writeTempFile("local.mp3", generatedMp3(2));
    server.setReply("/local.asx", HttpTestServer::ok("<asx><entry><ref href=\"file://" +
                                                         local.toUtf8() + "\"/></entry></asx>",
                                                     "video/x-ms-asf"));
    PlayerEngine engine(nullOutputs());
    QSignalSpy states(&engine, &PlayerEngine::stateChanged);
    engine.setURL(server.url("/local.asx"));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed; }, 15000));
    EXPECT_EQ(engine.statusText(), QStringLiteral("无法播放：播放列表指向的不是网络地址"));
    for (const auto& args : states)
        EXPECT_NE(args.at(0).value<State>(), State::Playing);
    EXPECT_EQ(server.requests().size(), 1);
}

// A short programme recorded from its first second: the recording ends with the programme, its
// file holds the whole of it, and nothing goes on counting.
TEST_F(PlayerEngineTest, RecordingAProgrammeThatEndsKeepsItsFileAndEnds)
{
    server.setReply("/short.mp3", HttpTestServer::ok(generatedMp3(6), "audio/mpeg"));
    PlayerEngine engine(nullOutputs());
    engine.setStationName(QStringLiteral("短文件 6秒"));
    engine.setURL(server.url("/short.mp3"));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 20000));
    QSignalSpy recording(&engine, &PlayerEngine::recordingChanged);
    QTemporaryDir dir;
    const QString path = engine.startRecording(dir.path());
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Stopped; }, 20000));
    ASSERT_TRUE(waitUntil([&] { return recording.count() == 2; }, 5000));
    EXPECT_FALSE(recording.at(1).at(0).toBool());
    EXPECT_FALSE(engine.isRecording());
    EXPECT_FALSE(engine.statusText().contains(QStringLiteral("录音 ")))
        << engine.statusText().toStdString();
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of",
                            "default=nw=1:nk=1", path});
    probe.waitForFinished(20000);
    EXPECT_NEAR(probe.readAllStandardOutput().trimmed().toDouble(), 6.0, 0.5);
}
