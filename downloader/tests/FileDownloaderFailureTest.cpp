// Transfers that are refused or fail (status classification, failures before and after the file
// is opened, short bodies): exact messages, event order, result, and the destination untouched.
#include "downloader/tests/DownloaderTestSupport.h"

#include "downloader/DestinationFile.h"
#include "downloader/Inet.h"

#include "tests/support/TestUtil.h"

#include <QSet>
#include <QSslSocket>
#include <QTcpServer>

using namespace kelvane;
using namespace kelvane::test;
using Reply = HttpTestServer::Reply;

namespace {
const QString kStart = QStringLiteral("Events: Getting file information");

QStringList errorEntries(const QString& message)
{
    return {kStart, QStringLiteral("Errors: ") + message};
}

// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
} // namespace

// An old station list in place before each failing transfer; it must survive untouched.
class FailingDownloadTest : public ExistingListTest
{};

TEST_F(FailingDownloadTest, Status204IsNothingToDownload)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 204 No Content", {})));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Nothing to download!")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, Status401IsAuthorizationFailed)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 401 Unauthorized",
                                                   {"WWW-Authenticate: Basic realm=\"lists\"",
                                                    "Content-Length: 0"})));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Authorization failed!")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, RefusedCredentialsAreAuthorizationFailed)
{
    server->setHandler("/f.dat", [](QTcpSocket* socket, const HttpTestServer::Request&) {
        socket->write(
            answer("HTTP/1.1 401 Unauthorized", {"WWW-Authenticate: Basic realm=\"lists\"",
                                                 "Content-Length: 0", "Connection: close"}));
        socket->disconnectFromHost();
    });
    EXPECT_FALSE(
        download(QStringLiteral("/f.dat"), dest(), QStringLiteral("who"), QStringLiteral("wrong")));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Authorization failed!")));
    EXPECT_FALSE(server->requests().constLast().header("Authorization").isEmpty());
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, Status404NamesTheUrl)
{
    server->setReply("/lists/tv.dat", Reply().then(answer("HTTP/1.1 404 Not Found",
                                                          {"Content-Length: 9"}, "not found")));
    EXPECT_FALSE(download(QStringLiteral("/lists/tv.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("The file, \"") +
                                         server->url(QStringLiteral("/lists/tv.dat")) +
                                         QStringLiteral("\" was not found!")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, OtherStatusesShowTheFirstHeaderLineWithItsCarriageReturn)
{
    server->setReply(
        "/f.dat", Reply().then(answer("HTTP/1.1 500 Internal Server Error",
                                      {"Content-Type: text/plain", "Content-Length: 4"}, "oops")));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries,
              errorEntries(QStringLiteral("The server returned the following response:\r\r"
                                          "HTTP/1.1 500 Internal Server Error\r")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AnEmptyAnswerShowsNothing)
{
    server->setReply("/f.dat", Reply()); // reads the request, closes without a byte
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries,
              errorEntries(QStringLiteral("The server returned the following response:\r\r"
                                          "<nothing>")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AnAnswerThatIsNotHttpIsRefusedLikeAnEmptyOne)
{
    server->setReply("/f.dat", Reply().then("HELLO THERE\r\n\r\nsome bytes"));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries,
              errorEntries(QStringLiteral("The server returned the following response:\r\r"
                                          "<nothing>")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AContentLengthBeyondThirtyTwoBitsIsAFailure)
{
    server->setReply(
        "/f.dat",
        Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 3000000000"}, "some")).hold());
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries,
              errorEntries(QStringLiteral("Error: Numerical result out of range occurred.")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AShortBodyIsAResetAndLeavesTheOldFile)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"},
                                                   patternBody(3000))));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, QStringList{kStart} + progressEntries({"20", "41", "60", "60"}) +
                                QStringList{QStringLiteral("Errors: The connection with the "
                                                           "server was reset.")});
    expectDestinationUntouched();
}

TEST_F(DownloaderTest, AShortBodyDoesNotCreateANewFile)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"},
                                                   patternBody(3000))));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->errors(),
              QStringList{QStringLiteral("The connection with the server was reset.")});
    EXPECT_FALSE(fileExists(dest()));
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(FailingDownloadTest, ABodyWithoutLengthThatStopsArrivingIsAReset)
{
    // Without a length the progress stays at 0 until a clean end, which never comes.
    const QByteArray body = patternBody(2500);
    server->setReply("/f.dat", Reply()
                                   .then(answer("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
                                                QByteArray::number(4096, 16) + "\r\n" + body))
                                   .hold());
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, QStringList{kStart} + progressEntries({"0", "0", "0", "0"}) +
                                QStringList{QStringLiteral("Errors: The connection with the "
                                                           "server was reset.")});
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AServerThatGoesSilentMidBodyEndsAsAShortBody)
{
    server->setReply(
        "/f.dat", Reply()
                      .then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"}, patternBody(2500)))
                      .hold());
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, QStringList{kStart} + progressEntries({"20", "41", "50", "50"}) +
                                QStringList{QStringLiteral("Errors: The connection with the "
                                                           "server was reset.")});
    EXPECT_GE(elapsedMs, kInactivityTimeoutMs * 9 / 10);
    EXPECT_LT(elapsedMs, kInactivityTimeoutMs + 2000);
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AServerThatNeverAnswersIsBoundedByTheConnectTimeOut)
{
    server->setReply("/f.dat", Reply().hold());
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Cannot establish connection.")));
    EXPECT_GE(elapsedMs, kConnectTimeoutMs * 9 / 10);
    EXPECT_LT(elapsedMs, kConnectTimeoutMs + 2000);
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AClosedPortCannotEstablishAConnection)
{
    const QString url = QStringLiteral("http://127.0.0.1:%1/f.dat").arg(closedPort());
    EXPECT_FALSE(downloader->DownloadFile(url, dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Cannot establish connection.")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, ATlsFailureCannotEstablishAConnection)
{
    if (!QSslSocket::supportsSsl())
        GTEST_SKIP() << "no TLS backend";
    // A plain-text server on an https URL: the handshake fails.
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&plain, &QTcpServer::newConnection, [&plain] {
        while (QTcpSocket* socket = plain.nextPendingConnection()) {
            socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
        }
    });
    const QString url = QStringLiteral("https://127.0.0.1:%1/f.dat").arg(plain.serverPort());
    EXPECT_FALSE(downloader->DownloadFile(url, dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Cannot establish connection.")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, ARedirectLoopIsAFailure)
{
    server->setReply(
        "/loop.dat",
        Reply().then(answer("HTTP/1.1 302 Found", {"Location: /loop.dat", "Content-Length: 0"})));
    EXPECT_FALSE(download(QStringLiteral("/loop.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Error: Too many redirects occurred.")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AtMostFiveRedirectsAreFollowed)
{
    for (int i = 0; i < 10; ++i)
        server->setReply("/r" + QByteArray::number(i) + ".dat",
                         Reply().then(answer("HTTP/1.1 307 Temporary Redirect",
                                             {"Location: /r" + QByteArray::number(i + 1) + ".dat",
                                              "Content-Length: 0"})));
    EXPECT_FALSE(download(QStringLiteral("/r0.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Error: Too many redirects occurred.")));
    QSet<QByteArray> asked;
    for (const auto& request : server->requests())
        asked.insert(request.target);
    EXPECT_EQ(asked,
              (QSet<QByteArray>{"/r0.dat", "/r1.dat", "/r2.dat", "/r3.dat", "/r4.dat", "/r5.dat"}));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, ARedirectWithoutLocationIsShownAsTheAnswer)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 302 Found", {"Content-Length: 0"})));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries,
              errorEntries(QStringLiteral("The server returned the following response:\r\r"
                                          "HTTP/1.1 302 Found\r")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AnUnknownSchemeIsAFailure)
{
    EXPECT_FALSE(downloader->DownloadFile(QStringLiteral("gopher://127.0.0.1/f.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral("Error: Protocol \"gopher\" is unknown "
                                                        "occurred.")));
    expectDestinationUntouched();
}

TEST_F(DownloaderTest, AMissingParentFolderIsAWriteFailureWithCodeAndDescription)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(1500)));
    const QString target = dir.filePath(QStringLiteral("no/such/list.dat"));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), target));
    EXPECT_EQ(log->entries,
              errorEntries(QStringLiteral(
                  "Cannot write file to disk.\r\rError 2: No such file or directory")));
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(DownloaderTest, ADestinationThatIsAFolderIsAWriteFailure)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(1500)));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dir.path()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral(
                                "Cannot write file to disk.\r\rError 21: Is a directory")));
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(FailingDownloadTest, TooLittleFreeSpaceRefusesTheTransfer)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(5000)));
    downloader->setFreeSpaceQuery([](const QString&) { return 4999.0; });
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral(
                                "There is not enough free space on disk for this file.")));
    expectDestinationUntouched();
}

TEST_F(FailingDownloadTest, AFreeSpaceThatCannotBeAskedReadsAsNone)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(10)));
    // The file system's own query answers 0 for a path it cannot ask.
    downloader->setFreeSpaceQuery([](const QString& folder) {
        return downloader::freeBytesFor(QStringLiteral("unaskable/") + folder);
    });
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->errors(),
              QStringList{QStringLiteral("There is not enough free space on disk for this file.")});
    expectDestinationUntouched();
}

// The disk-space cases on a real 64 KiB file system (tests/with-small-tmpfs.sh mounts it).
class SmallDiskTest : public DownloaderTest
{
protected:
    void SetUp() override
    {
        DownloaderTest::SetUp();
        small = qEnvironmentVariable("KELVANE_SMALL_TMPFS");
        if (small.isEmpty())
            GTEST_SKIP() << "no small tmpfs (run through tests/with-small-tmpfs.sh)";
        target = small + QStringLiteral("/list.dat");
        ASSERT_TRUE(writeFile(target, "old"));
    }
    void TearDown() override
    {
        if (!small.isEmpty())
            QFile::remove(target);
        DownloaderTest::TearDown();
    }
    QString small;
    QString target;
};

TEST_F(SmallDiskTest, ABodyLargerThanTheFreeSpaceIsRefused)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(200000)));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), target));
    EXPECT_EQ(log->entries, errorEntries(QStringLiteral(
                                "There is not enough free space on disk for this file.")));
    EXPECT_EQ(readFile(target), QByteArray("old"));
    EXPECT_EQ(folderEntries(small), QStringList{QStringLiteral("list.dat")});
}

TEST_F(SmallDiskTest, AFullDiskIsAWriteFailureAndTheOldFileStays)
{
    // No length announced: the free-space check cannot see it coming.
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 200 OK", {}, patternBody(200000))));
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), target));
    EXPECT_EQ(log->errors(),
              QStringList{QStringLiteral("Cannot write file to disk.\r\rError 28: No space left "
                                         "on device")});
    EXPECT_NE(log->entries.constLast(), QStringLiteral("Complete"));
    EXPECT_EQ(readFile(target), QByteArray("old"));
    EXPECT_EQ(folderEntries(small), QStringList{QStringLiteral("list.dat")});
}

TEST_F(FailingDownloadTest, ABodyCutBeforeItsLastChunkIsAReset)
{
    const QByteArray head = answer("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"});
    const QByteArray piece = QByteArray::number(1500, 16) + "\r\n" + patternBody(1500) + "\r\n";
    const QByteArray cuts[] = {head + piece + "5dc\r\n" + patternBody(700), // inside a chunk
                               head + piece};                               // at a boundary
    for (const QByteArray& cut : cuts) {
        log->entries.clear();
        server->setReply("/f.dat", Reply().then(cut));
        EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
        EXPECT_EQ(log->errors(),
                  QStringList{QStringLiteral("The connection with the server was reset.")});
        expectDestinationUntouched();
    }
}

TEST_F(FailingDownloadTest, AnEndlessBodyWithoutLengthStopsAtTheCap)
{
    // A list address that points at a radio stream.
    server->setReply("/f.dat",
                     Reply()
                         .then(answer("HTTP/1.0 200 OK", {"Content-Type: audio/mpeg"}))
                         .then(QByteArray(downloader::Inet::kMaxUnsizedBytes + 65536, 'x'))
                         .hold());
    EXPECT_FALSE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->errors(), QStringList{QStringLiteral("The file is larger than 16 MiB and "
                                                        "states no length; it was not saved.")});
    expectDestinationUntouched();
}
