#include "engine/StreamRecorder.h"

#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;
using test::HttpTestServer;

namespace {

const QDateTime kStart(QDate(2026, 12, 10), QTime(4, 30, 5));
const QString kStation = QStringLiteral("测试电台");

struct Probe
{
    bool ok = false;
    double duration = 0;
    QString title;   // the container's own title
    QString service; // MPEG-TS names its program instead
};

bool ffmpeg(const QStringList& args, QByteArray* errors = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    const bool ok = p.waitForFinished(60000) && p.exitCode() == 0;
    if (errors != nullptr)
        *errors = p.readAllStandardError();
    return ok;
}

// What ffprobe makes of the file, once ffmpeg has decoded all of it (without an error, unless the
// source itself has some).
Probe probe(const QString& path, bool cleanSource = true)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {"-v", "error", "-show_entries",
             "format=duration:format_tags=title:program_tags=service_name", "-of", "json", path});
    Probe r;
    QByteArray errors;
    const bool decoded = ffmpeg({"-i", path, "-f", "null", "-"}, &errors);
    EXPECT_TRUE(decoded && (errors.isEmpty() || !cleanSource))
        << path.toStdString() << ": " << errors.toStdString();
    if (!p.waitForFinished(30000) || p.exitCode() != 0 || !decoded)
        return r;
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonObject format = o[u"format"].toObject();
    r.duration = format[u"duration"].toString().toDouble(&r.ok);
    r.title = format[u"tags"].toObject()[u"title"].toString();
    r.service =
        o[u"programs"].toArray().first().toObject()[u"tags"].toObject()[u"service_name"].toString();
    return r;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class StreamRecorderTest : public ::testing::Test
{
protected:
    HttpTestServer server;
    QTemporaryDir dir;
    StreamRecorder recorder;
    QSignalSpy startedSpy{&recorder, &StreamRecorder::started};
    QSignalSpy stoppedSpy{&recorder, &StreamRecorder::stopped};
    QSignalSpy failedSpy{&recorder, &StreamRecorder::failed};

    QString record(const QString& urlPath, const QString& file, const QString& format)
    {
        const QString path = file.startsWith(u'/') ? file : dir.filePath(file);
        recorder.start(server.url(urlPath), path, kStation, kStart, format);
        return path;
    }
};

} // namespace

TEST_F(StreamRecorderTest, Mp3StreamIsWrittenAsItComesWithoutMetadata)
{
    // A station's stream: no tag and no header frame with a length before the audio.
    const QString source = dir.filePath("live.mp3");
    ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=30", "-c:a", "libmp3lame",
                        "-b:a", "128k", "-write_xing", "0", "-id3v2_version", "0", source}));
    const QByteArray mp3 = readFile(source);
    test::IcyStreamer::Options o;
    o.source = mp3;
    o.burstBytes = 0;
    o.metaInt = 8000;
    o.title = "Now playing";
    test::IcyStreamer::serve(server, "/live.mp3", o);
    const QString path = record(QStringLiteral("/live.mp3"), QStringLiteral("a.mp3"), "mp3");
    ASSERT_TRUE(startedSpy.wait(10000));

    // The file grows while recording: what has come is on disk.
    ASSERT_TRUE(test::waitUntil([&] { return recorder.bytesWritten() > 16000; }, 10000));
    const qint64 early = QFileInfo(path).size();
    ASSERT_TRUE(test::waitUntil([&] { return recorder.bytesWritten() > 48000; }, 10000));
    EXPECT_GT(QFileInfo(path).size(), early);
    EXPECT_EQ(QFileInfo(path).size(), recorder.bytesWritten());
    const double ranFor = recorder.elapsedMs() / 1000.0;
    recorder.stop();
    ASSERT_EQ(stoppedSpy.count(), 1);
    EXPECT_FALSE(recorder.isRecording());

    EXPECT_TRUE(server.requests().last().header("icy-metadata").isEmpty());
    const QByteArray bytes = readFile(path);
    EXPECT_FALSE(bytes.contains("StreamTitle"));
    // After the tag, the stream's own bytes, nothing between them.
    const qsizetype audio = bytes.size() - bytes.indexOf(mp3.left(1000));
    EXPECT_EQ(bytes.right(audio), mp3.left(audio));
    // It ends where the stream's next frame begins: no partial frame at the end.
    EXPECT_TRUE(quint8(mp3[audio]) == 0xff && (quint8(mp3[audio + 1]) & 0xe0) == 0xe0);
    const Probe p = probe(path);
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.duration, audio / 16000.0, 0.3);
    EXPECT_NEAR(p.duration, ranFor, 1.0);
    EXPECT_NEAR(stoppedSpy[0][2].toDouble(), p.duration, 0.3);
    EXPECT_EQ(p.title, StreamRecorder::titleOf(kStation, kStart));
}

TEST_F(StreamRecorderTest, ShortFileEndsTheRecordingAndIsKept)
{
    const QByteArray mp3 = test::generatedMp3(6);
    server.setReply("/short.mp3", HttpTestServer::ok(mp3, "audio/mpeg"));
    // A SHOUTcast 1 server's answer.
    server.setReply("/icy.mp3", HttpTestServer::Reply().then(
                                    "ICY 200 OK\r\ncontent-type: audio/mpeg\r\n\r\n" + mp3));
    for (const char* url : {"/short.mp3", "/icy.mp3"}) {
        stoppedSpy.clear();
        const QString path =
            record(QString::fromLatin1(url), QString::fromLatin1(url).mid(1), "mp3");
        ASSERT_TRUE(stoppedSpy.wait(10000)) << url;
        EXPECT_FALSE(recorder.isRecording());
        EXPECT_NEAR(stoppedSpy[0][2].toDouble(), 6.0, 0.2) << url;
        EXPECT_NEAR(probe(path).duration, 6.0, 0.2) << url;
    }
    EXPECT_EQ(startedSpy.count(), 2);
    EXPECT_EQ(failedSpy.count(), 0);
}

TEST_F(StreamRecorderTest, ContainersAreCopiedWithTheirTitle)
{
    // An HLS programme of three segments, and a plain MPEG-TS file with video.
    ASSERT_TRUE(
        ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=6", "-c:a", "aac", "-b:a", "64k",
                "-f", "hls", "-hls_time", "2", "-hls_playlist_type", "vod", "-hls_segment_filename",
                dir.filePath("seg%d.ts"), dir.filePath("index.m3u8")}));
    for (const QString& name : QDir(dir.path()).entryList({"index.m3u8", "seg*.ts"}))
        server.setReply("/hls/" + name.toUtf8(), HttpTestServer::ok(readFile(dir.filePath(name))));
    server.setReply("/video.ts", HttpTestServer::ok(test::generatedVideoTs(4), "video/mp2t"));

    const struct
    {
        const char* url;
        const char* file;
        const char* format;
        double duration;
    } cases[] = {{"/hls/index.m3u8", "hls.ts", "hls", 6.0},
                 {"/video.ts", "video.mkv", "mpegts", 4.0}};
    for (const auto& c : cases) {
        stoppedSpy.clear();
        const QString path =
            record(QString::fromLatin1(c.url), QString::fromLatin1(c.file), c.format);
        ASSERT_TRUE(stoppedSpy.wait(20000)) << c.file; // the programme ends by itself
        const Probe p = probe(path);
        EXPECT_NEAR(p.duration, c.duration, 0.3) << c.file;
        EXPECT_NEAR(stoppedSpy[0][2].toDouble(), c.duration, 0.3) << c.file;
        EXPECT_EQ(QString(p.title + p.service), StreamRecorder::titleOf(kStation, kStart))
            << c.file;
    }
    EXPECT_EQ(failedSpy.count(), 0);
}

TEST_F(StreamRecorderTest, LiveRemuxRunsOnAcrossJumpsAndStopsAtOnce)
{
    // A 4-second programme looped at its own rate: its timestamps jump back at each loop.
    const QByteArray ts = test::generatedVideoTs(4);
    test::IcyStreamer::Options o;
    o.source = ts;
    o.bytesPerSecond = int(ts.size() / 4);
    o.burstBytes = o.bytesPerSecond * 2;
    o.contentType = "video/mp2t";
    test::IcyStreamer::serve(server, "/live.ts", o);
    const QString path = record(QStringLiteral("/live.ts"), QStringLiteral("live.ts"), "mpegts");
    ASSERT_TRUE(startedSpy.wait(10000));
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo(path).size() > ts.size() * 3 / 2; }, 20000));
    QElapsedTimer clock;
    clock.start();
    recorder.stop();
    EXPECT_EQ(stoppedSpy.count(), 1);
    EXPECT_LT(clock.elapsed(), StreamRecorder::kStopWaitMs);
    EXPECT_GT(probe(path, false).duration, 5.0); // the source's seam damages a picture
}

TEST_F(StreamRecorderTest, FailuresSayWhyAndLeaveNoEmptyFile)
{
    server.setReply("/live.mp3", HttpTestServer::ok(test::generatedMp3(6), "audio/mpeg"));
    server.setReply("/gone.mp3",
                    HttpTestServer::Reply().then(HttpTestServer::response(404, "Not Found", {})));
    const struct
    {
        const char* url;
        const char* file;
        const char* format;
        const char* reason;
    } cases[] = {
        {"/live.mp3", "/dev/null/a.mp3", "mp3", "文件夹不存在"},
        {"/live.mp3", "/dev/full", "mp3", "磁盘已满"},
        {"/live.mp3", "/dev/full", "mpegts", "磁盘已满"},
        {"/gone.mp3", "gone.mp3", "mp3", "HTTP 404"},
        {"/gone.mp3", "gone.ts", "hls", "无法打开电台的流"},
    };
    for (const auto& c : cases) {
        failedSpy.clear();
        const QString path =
            record(QString::fromLatin1(c.url), QString::fromUtf8(c.file), c.format);
        ASSERT_TRUE(failedSpy.wait(20000)) << c.file << " " << c.format;
        EXPECT_TRUE(failedSpy[0][1].toString().contains(QString::fromUtf8(c.reason)))
            << failedSpy[0][1].toString().toStdString();
        EXPECT_FALSE(recorder.isRecording());
        if (path.startsWith(dir.path())) {
            EXPECT_FALSE(QFile::exists(path));
        }
    }
    EXPECT_EQ(stoppedSpy.count(), 0);
}
