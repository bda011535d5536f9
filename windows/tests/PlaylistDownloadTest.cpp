#include "windows/PlaylistDownload.h"

#include "tests/support/HttpTestServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;

TEST(PlaylistDownloadTest, AWholePlaylistOrNothingAndWhy)
{
    HttpTestServer server;
    const QByteArray list = "#EXTM3U\n#EXTINF:-1,A\nhttp://127.0.0.1:9/a\n";
    server.setReply("/good.m3u", HttpTestServer::ok(list));
    server.setReply("/cut.m3u", HttpTestServer::Reply().then(HttpTestServer::response(
                                    200, "OK", {"Content-Length: 1000"}, list)));
    server.setReply("/slow.m3u",
                    HttpTestServer::Reply()
                        .then("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n#EXTM3U\n")
                        .hold());
    server.setReply("/gone.m3u", HttpTestServer::Reply().then(
                                     HttpTestServer::response(404, "Not Found", {}, "no")));
    server.setHandler("/endless.m3u", [](QTcpSocket* socket, const HttpTestServer::Request& r) {
        IcyStreamer::Options o;
        o.source = QByteArray(4096, '#');
        o.bytesPerSecond = 400000;
        IcyStreamer::start(socket, r, o);
    });
    QTemporaryDir dir;
    QFile file(dir.filePath("local.m3u"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(list);
    file.close();

    PlaylistDownload::Bounds bounds;
    bounds.maxBytes = 64 * 1024;
    bounds.silenceMs = 500;
    bounds.deadlineMs = 3000;
    const struct
    {
        QString source;
        QByteArray bytes;
        const char* error;
    } cases[] = {
        {server.url("/good.m3u"), list, ""},
        {dir.filePath("local.m3u"), list, ""},
        {"file://" + dir.filePath("local.m3u"), list, ""},
        {server.url("/cut.m3u"), {}, "下载中断，播放列表不完整，未导入任何电台。"},
        {server.url("/slow.m3u"), {}, "下载太慢，超时，未导入任何电台。"},
        {server.url("/endless.m3u"), {}, "播放列表超过 64 KiB（或下载没有尽头），未导入任何电台。"},
        {server.url("/gone.m3u"), {}, "未找到 (HTTP 404)，未导入任何电台。"},
        {"http://127.0.0.1:9/none.m3u", {}, "无法连接服务器，未导入任何电台。"},
        {dir.filePath("none.m3u"), {}, ""},
    };
    for (const auto& c : cases) {
        PlaylistDownload download;
        QSignalSpy finished(&download, &PlaylistDownload::finished);
        download.start(c.source, bounds);
        EXPECT_TRUE(finished.isEmpty()); // never from inside start
        ASSERT_TRUE(finished.wait(10000)) << qPrintable(c.source);
        EXPECT_EQ(finished[0][0].toByteArray(), c.bytes) << qPrintable(c.source);
        if (c.source.endsWith("none.m3u") && !c.source.startsWith("http"))
            EXPECT_TRUE(finished[0][1].toString().startsWith("无法打开文件："));
        else
            EXPECT_EQ(finished[0][1].toString(), QString::fromUtf8(c.error))
                << qPrintable(c.source);
    }
}
