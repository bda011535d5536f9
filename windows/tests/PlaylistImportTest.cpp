#include "windows/PlaylistImport.h"

#include "stations/StationStore.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/Recorders.h"
#include "windows/StationDialogs.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;

namespace {

// Answers the import question with 收音机, as Enter on the box does.
class RadioAnswers final : public StationDialogs
{
public:
    std::optional<TypedStation> editStation(QWidget*, const QString&, const TypedStation&) override
    {
        return std::nullopt;
    }
    bool confirm(QWidget*, const QString&, const QString&) override { return false; }
    QString importSource(QWidget*) override { return {}; }
    std::optional<Target> importTarget(QWidget*) override
    {
        ++asked;
        return Target::Radio;
    }
    std::optional<std::pair<Export, QString>> exportTarget(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
    int asked = 0;
};

} // namespace

TEST(PlaylistImportTest, AWholePlaylistIsImportedABadDownloadImportsNothingAndSaysWhy)
{
    HttpTestServer server;
    const QByteArray list = "#EXTM3U\n#EXTINF:-1 group-title=\"新闻\",A\nhttp://127.0.0.1:9/a\n"
                            "#EXTINF:-1,B\nhttp://127.0.0.1:9/b\nfile:///etc/passwd\n";
    server.setReply("/good.m3u", HttpTestServer::ok(list));
    server.setReply("/cut.m3u", HttpTestServer::Reply().then(HttpTestServer::response(
                                    200, "OK", {"Content-Length: 1000"}, list)));
    server.setReply("/slow.m3u",
                    HttpTestServer::Reply()
                        .then("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n#EXTM3U\n")
                        .hold());
    server.setReply("/gone.m3u", HttpTestServer::Reply().then(
                                     HttpTestServer::response(404, "Not Found", {}, "no")));
    server.setReply("/page.html",
                    HttpTestServer::ok("<html><body>\xe4\xbd\xa0\xe5\xa5\xbd</body></html>"));
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
    const QString nothing = QStringLiteral("，未导入任何电台。");
    const struct
    {
        QString source;
        int imported; // into the radio list's own stations
        QString report;
    } cases[] = {
        {server.url("/good.m3u"), 2, "已导入 2 个电台，跳过 1 个：1 个不是网络地址"},
        {dir.filePath("local.m3u"), 0, "已导入 0 个电台，跳过 3 个：1 个不是网络地址，2 个重复"},
        {server.url("/page.html"), 0, "不是播放列表（是网页或其他 XML）" + nothing},
        {server.url("/cut.m3u"), 0, "下载中断，播放列表不完整" + nothing},
        {server.url("/slow.m3u"), 0, "下载太慢，超时" + nothing},
        {server.url("/endless.m3u"), 0, "播放列表超过 64 KiB（或下载没有尽头）" + nothing},
        {server.url("/gone.m3u"), 0, "未找到 (HTTP 404)" + nothing},
        {"http://127.0.0.1:9/none.m3u", 0, "无法连接服务器" + nothing},
        {dir.filePath("none.m3u"), 0, "无法打开文件：" + dir.filePath("none.m3u") + nothing},
    };
    StationStore store(dir.path());
    store.load();
    RecordingMessageBox messages;
    RadioAnswers dialogs;
    AppServices services;
    services.programFolder = dir.path();
    services.messageBox = &messages;
    services.stations = &store;
    services.dialogs = &dialogs;
    int asked = 0;
    for (const auto& c : cases) {
        const qsizetype before = store.own(ListKind::Radio).size();
        messages.shown.clear();
        auto* import = new PlaylistImport({c.source}, nullptr, services);
        import->setBounds(bounds);
        QSignalSpy finished(import, &PlaylistImport::finished);
        import->start();
        ASSERT_TRUE(finished.wait(10000)) << qPrintable(c.source);
        EXPECT_EQ(store.own(ListKind::Radio).size() - before, c.imported) << qPrintable(c.source);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].text, c.report) << qPrintable(c.source);
        // The list is asked for only when there is something to import.
        EXPECT_EQ(dialogs.asked - asked, c.report.startsWith(u'已') ? 1 : 0)
            << qPrintable(c.source);
        asked = dialogs.asked;
    }
    EXPECT_EQ(store.own(ListKind::Radio).value(0).group, QStringLiteral("新闻"));
    EXPECT_EQ(store.own(ListKind::Tv).size(), 0);
}
