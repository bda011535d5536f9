// The control destroyed while a transfer runs inside DownloadFile: by a host handler, by a timer
// during a nested wait, by its window being closed. Nothing crashes, nothing is raised after,
// no temporary file survives.
#include "downloader/tests/DownloaderTestSupport.h"

#include "tests/support/TestUtil.h"

#include <QTimer>
#include <QWidget>

using namespace kelvane;
using namespace kelvane::test;
using Reply = HttpTestServer::Reply;

namespace {
const QString kStart = QStringLiteral("Events: Getting file information");
}

TEST_F(DownloaderTest, DestroyedWhileWaitingForTheAnswer)
{
    downloader->setConnectTimeout(20000);
    server->setReply("/f.dat", Reply().hold());
    QTimer::singleShot(100, [this] { delete downloader.data(); });

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_TRUE(downloader.isNull());
    EXPECT_LT(elapsedMs, 5000);
    EXPECT_EQ(log->entries, QStringList{kStart});
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(DownloaderTest, DestroyedWhileWaitingForBodyBytes)
{
    downloader->setInactivityTimeout(20000);
    server->setReply(
        "/f.dat", Reply()
                      .then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"}, patternBody(1500)))
                      .hold());
    log->onProgress = [this](const QString&) {
        QTimer::singleShot(100, [this] { delete downloader.data(); });
    };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_TRUE(downloader.isNull());
    EXPECT_LT(elapsedMs, 5000);
    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Progress: 20")}));
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(DownloaderTest, DestroyedByItsOwnProgressHandler)
{
    ASSERT_TRUE(writeFile(dest(), "old"));
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(5000)));
    log->onProgress = [this](const QString&) { delete downloader.data(); };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Progress: 20")}));
    EXPECT_EQ(readFile(dest()), QByteArray("old"));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, DestroyedByItsOwnStatusHandler)
{
    server->setReply("/f.dat", HttpTestServer::ok("abc"));
    log->onEvent = [this](const QString&) { delete downloader.data(); };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, QStringList{kStart});
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(DownloaderTest, DestroyedByItsOwnErrorHandler)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 204 No Content", {})));
    log->onError = [this](const QString&) { delete downloader.data(); };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Errors: Nothing to download!")}));
}

TEST_F(DownloaderTest, DestroyedByItsOwnCompletionHandlerAfterTheFileIsInPlace)
{
    const QByteArray body = patternBody(1500);
    server->setReply("/f.dat", HttpTestServer::ok(body));
    log->onComplete = [this, body] {
        EXPECT_EQ(readFile(dest()), body); // replaced before the event
        delete downloader.data();
    };

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->completions(), 1);
    EXPECT_EQ(readFile(dest()), body);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, ItsWindowClosedDuringTheNestedWait)
{
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QWidget> windowGuard(window);
    QPointer<FileDownloader> control = new FileDownloader(window);
    control->setConnectTimeout(kConnectTimeoutMs);
    EventLog windowLog(control);
    window->show();
    server->setReply(
        "/f.dat", Reply()
                      .then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"}, patternBody(1500)))
                      .then(patternBody(1000), 300)
                      .hold());
    // The window is closed from a handler run at a message pump: its deletion is deferred and
    // comes while the transfer waits.
    windowLog.onProgress = [&](const QString&) {
        if (window && windowGuard)
            QTimer::singleShot(0, window, [window] { window->close(); });
    };

    QElapsedTimer clock;
    clock.start();
    const bool result = control->DownloadFile(server->url(QStringLiteral("/f.dat")), dest());
    flushEvents();

    EXPECT_FALSE(result);
    EXPECT_TRUE(windowGuard.isNull());
    EXPECT_TRUE(control.isNull());
    EXPECT_LT(clock.elapsed(), 5000); // not the 30 s inactivity time-out
    EXPECT_TRUE(windowLog.errors().isEmpty());
    EXPECT_EQ(windowLog.completions(), 0);
    EXPECT_TRUE(folderEntries().isEmpty());
}
