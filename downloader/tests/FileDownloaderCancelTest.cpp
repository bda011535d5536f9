// Cancel from the host: while waiting, mid-body, after the last byte, from handlers; and a second
// DownloadFile while one runs.
#include "downloader/tests/DownloaderTestSupport.h"

#include "tests/support/TestUtil.h"

#include <QTimer>

using namespace kelvane;
using namespace kelvane::test;
using Reply = HttpTestServer::Reply;

namespace {
const QString kStart = QStringLiteral("Events: Getting file information");
}

class CancelTest : public ExistingListTest
{};

TEST_F(CancelTest, CancelWhileWaitingForTheAnswerRaisesOnlyTheStatusText)
{
    server->setReply("/f.dat",
                     Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 3"}, "abc"), 5000));
    QTimer::singleShot(100, downloader, [this] { downloader->Cancel(); });

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, QStringList{kStart});
    EXPECT_LT(elapsedMs, 4000); // the wait ended at once, not when the answer came
    expectDestinationUntouched();
}

TEST_F(CancelTest, CancelFromTheStatusHandlerEndsTheWait)
{
    server->setReply("/f.dat", Reply().hold());
    log->onEvent = [this](const QString&) { downloader->Cancel(); };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, QStringList{kStart});
    EXPECT_LT(elapsedMs, kConnectTimeoutMs);
    expectDestinationUntouched();
}

TEST_F(CancelTest, CancelMidBodyStopsTheEventsAndKeepsTheOldFile)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(8000)));
    log->onProgress = [this](const QString&) { downloader->Cancel(); };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Progress: 13")}));
    expectDestinationUntouched();
}

TEST_F(CancelTest, CancelMidBodyDoesNotWaitForASilentServer)
{
    downloader->setInactivityTimeout(20000);
    server->setReply(
        "/f.dat", Reply()
                      .then(answer("HTTP/1.1 200 OK", {"Content-Length: 8000"}, patternBody(1500)))
                      .hold());
    // A host timer (not user input) runs inside the wait for body bytes.
    log->onProgress = [this](const QString&) {
        QTimer::singleShot(150, downloader, [this] { downloader->Cancel(); });
    };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Progress: 13")}));
    EXPECT_LT(elapsedMs, 3000);
    expectDestinationUntouched();
}

TEST_F(CancelTest, CancelAfterTheLastByteKeepsTheFileWithoutCompletion)
{
    const QByteArray body = patternBody(3000);
    server->setReply("/f.dat", HttpTestServer::ok(body));
    log->onProgress = [this](const QString& percent) {
        if (percent == QLatin1String("100"))
            downloader->Cancel();
    };

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, QStringList{kStart} + progressEntries({"34", "68", "100"}));
    EXPECT_EQ(readFile(dest()), body);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(CancelTest, CancelFromTheErrorHandlerAsTheHostsDo)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"},
                                                   patternBody(3000))));
    log->onError = [this](const QString&) { downloader->Cancel(); };

    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->errors(),
              QStringList{QStringLiteral("The connection with the server was reset.")});
    EXPECT_EQ(log->entries.constLast(),
              QStringLiteral("Errors: The connection with the server was reset."));
    expectDestinationUntouched();
}

TEST_F(CancelTest, ASecondDownloadFileWhileOneRunsReturnsFalseAndChangesNothing)
{
    const QByteArray body = patternBody(3000);
    server->setReply("/f.dat", HttpTestServer::ok(body));
    server->setReply("/other.dat", HttpTestServer::ok("other"));
    QList<bool> nested;
    log->onProgress = [&](const QString&) {
        nested.append(downloader->DownloadFile(server->url(QStringLiteral("/other.dat")),
                                               dest(QStringLiteral("other.dat"))));
    };

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(nested, QList<bool>(4, false));
    EXPECT_EQ(log->entries, QStringList{kStart} + progressEntries({"34", "68", "100", "100"}) +
                                QStringList{QStringLiteral("Complete")});
    EXPECT_EQ(readFile(dest()), body);
    EXPECT_FALSE(fileExists(dest(QStringLiteral("other.dat"))));
    EXPECT_EQ(server->requests().size(), 1);
}

TEST_F(CancelTest, ATransferAfterACancelledOneRunsNormally)
{
    server->setReply("/slow.dat", Reply().hold());
    const QByteArray body = patternBody(2000);
    server->setReply("/f.dat", HttpTestServer::ok(body));
    QTimer::singleShot(50, downloader, [this] { downloader->Cancel(); });
    EXPECT_FALSE(download(QStringLiteral("/slow.dat"), dest()));

    log->entries.clear();
    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, QStringList{kStart} + progressEntries(expectedPercents(2000)) +
                                QStringList{QStringLiteral("Complete")});
    EXPECT_EQ(readFile(dest()), body);
}
