// Transfers that succeed, against the loopback server.
#include "downloader/tests/DownloaderTestSupport.h"

#include "tests/support/TestUtil.h"

#include <QDir>
#include <QTimer>

using namespace kelvane;
using namespace kelvane::test;
using Reply = HttpTestServer::Reply;

namespace {
const QString kStart = QStringLiteral("Events: Getting file information");

QStringList successEntries(const QStringList& percents)
{
    return QStringList{kStart} + progressEntries(percents) +
           QStringList{QStringLiteral("Complete")};
}
} // namespace

TEST_F(DownloaderTest, A200BodyArrivesInPiecesWithProgressAndCompletion)
{
    const QByteArray body = patternBody(5000);
    server->setReply("/lists/fm.dat", HttpTestServer::ok(body));

    EXPECT_TRUE(download(QStringLiteral("/lists/fm.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"20", "41", "61", "82", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
    ASSERT_EQ(server->requests().size(), 1);
    EXPECT_EQ(server->requests()[0].method, QByteArray("GET"));
    EXPECT_EQ(server->requests()[0].header("Range"), QByteArray("bytes=0-"));
}

TEST_F(DownloaderTest, A206AnswerIsTakenLikeA200)
{
    const QByteArray body = patternBody(4100);
    server->setReply(
        "/f.dat",
        Reply().then(answer("HTTP/1.1 206 Partial Content",
                            {"Content-Range: bytes 0-4099/4100", "Content-Length: 4100"}, body)));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries(expectedPercents(4100)));
    EXPECT_EQ(readFile(dest()), body);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, PercentagesRoundHalvesToEven)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(8192)));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->progress(),
              (QStringList{"12", "25", "38", "50", "62", "75", "88", "100", "100"}));
}

TEST_F(DownloaderTest, ALastPieceOfOneByteEndsTheLoopWithoutTheExtraEvent)
{
    const QByteArray body = patternBody(3073);
    server->setReply("/f.dat", HttpTestServer::ok(body));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"33", "67", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
}

TEST_F(DownloaderTest, AOneByteBodyIsOnePieceAndOneEvent)
{
    server->setReply("/f.dat", HttpTestServer::ok("x"));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"100"}));
    EXPECT_EQ(readFile(dest()), QByteArray("x"));
}

TEST_F(DownloaderTest, ADripFedBodyStillComesInWholePieces)
{
    const QByteArray body = patternBody(3000);
    Reply reply;
    reply.then(answer("HTTP/1.1 200 OK", {"Content-Length: 3000"}));
    for (int at = 0; at < body.size(); at += 100)
        reply.then(body.mid(at, 100), 2);
    server->setReply("/f.dat", reply);

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"34", "68", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
}

TEST_F(DownloaderTest, ALongerOldFileIsReplacedWhole)
{
    ASSERT_TRUE(writeFile(dest(), patternBody(10000).toHex()));
    const QByteArray body = patternBody(3000);
    server->setReply("/f.dat", HttpTestServer::ok(body));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(readFile(dest()), body);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, ABodyWithoutContentLengthIsReadToItsEnd)
{
    const QByteArray body = patternBody(5000);
    server->setReply("/f.dat",
                     Reply().then(answer("HTTP/1.1 200 OK", {"Connection: close"}, body)));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"0", "0", "0", "0", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, AChunkedBodyIsReadToItsLastChunk)
{
    const QByteArray body = patternBody(2500);
    QByteArray wire;
    for (int at = 0; at < body.size(); at += 700) {
        const QByteArray piece = body.mid(at, 700);
        wire += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    wire += "0\r\n\r\n";
    server->setReply("/f.dat", Reply()
                                   .then(answer("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
                                                wire.left(1000)))
                                   .then(wire.mid(1000), 20)
                                   .hold());

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"0", "0", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
}

TEST_F(DownloaderTest, ContentLengthZeroCompletesAndWritesNothing)
{
    server->setReply("/f.dat", Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 0"})));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Complete")}));
    EXPECT_FALSE(fileExists(dest()));
    EXPECT_TRUE(folderEntries().isEmpty());

    // An existing file stays as it was.
    ASSERT_TRUE(writeFile(dest(), "old"));
    log->entries.clear();
    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));
    EXPECT_EQ(log->entries, (QStringList{kStart, QStringLiteral("Complete")}));
    EXPECT_EQ(readFile(dest()), QByteArray("old"));
}

TEST_F(DownloaderTest, ANegativeContentLengthIsNoLengthAndTheBodyIsReadToItsEnd)
{
    const QByteArray body = patternBody(1500);
    server->setReply("/f.dat",
                     Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: -5"}, body)));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"0", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
}

TEST_F(DownloaderTest, ANonNumericContentLengthIsNoLengthAndTheBodyIsReadToItsEnd)
{
    const QByteArray body = patternBody(1500);
    server->setReply("/f.dat",
                     Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: lots"}, body)));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries({"0", "100", "100"}));
    EXPECT_EQ(readFile(dest()), body);
}

TEST_F(DownloaderTest, ABodyLongerThanAnnouncedKeepsTheAnnouncedBytes)
{
    const QByteArray body = patternBody(3000);
    server->setReply("/f.dat",
                     Reply().then(answer("HTTP/1.1 200 OK", {"Content-Length: 2000"}, body)));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries(expectedPercents(2000)));
    EXPECT_EQ(readFile(dest()), body.left(2000));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, FollowsARedirect)
{
    const QByteArray body = patternBody(2000);
    server->setReply("/old.dat", Reply().then(answer("HTTP/1.1 302 Found",
                                                     {"Location: /new.dat", "Content-Length: 0"})));
    server->setReply("/new.dat", HttpTestServer::ok(body));

    EXPECT_TRUE(download(QStringLiteral("/old.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries(expectedPercents(2000)));
    EXPECT_EQ(readFile(dest()), body);
    ASSERT_EQ(server->requests().size(), 2);
    EXPECT_EQ(server->requests()[1].target, QByteArray("/new.dat"));
}

TEST_F(DownloaderTest, SendsTheCredentialsWhenTheServerAsks)
{
    const QByteArray body = patternBody(1200);
    server->setHandler("/private.dat", [body](QTcpSocket* socket,
                                              const HttpTestServer::Request& request) {
        if (request.header("Authorization") == "Basic " + QByteArray("kelvane:s3cret").toBase64())
            socket->write(
                answer("HTTP/1.1 200 OK", {"Content-Length: 1200", "Connection: close"}, body));
        else
            socket->write(
                answer("HTTP/1.1 401 Unauthorized", {"WWW-Authenticate: Basic realm=\"lists\"",
                                                     "Content-Length: 0", "Connection: close"}));
        socket->disconnectFromHost();
    });

    EXPECT_TRUE(download(QStringLiteral("/private.dat"), dest(), QStringLiteral("kelvane"),
                         QStringLiteral("s3cret")));

    EXPECT_EQ(log->entries, successEntries(expectedPercents(1200)));
    EXPECT_EQ(readFile(dest()), body);
    ASSERT_FALSE(server->requests().isEmpty());
    EXPECT_FALSE(server->requests().constLast().header("Authorization").isEmpty());
}

TEST_F(DownloaderTest, MakesAMissingFolderOneLevelDeep)
{
    const QByteArray body = patternBody(1500);
    server->setReply("/f.dat", HttpTestServer::ok(body));
    const QString target = dir.filePath(QStringLiteral("new/list.dat"));

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), target));

    EXPECT_EQ(readFile(target), body);
    EXPECT_EQ(folderEntries(dir.filePath(QStringLiteral("new"))),
              QStringList{QStringLiteral("list.dat")});
}

TEST_F(DownloaderTest, ARelativeDestinationSkipsTheFreeSpaceCheck)
{
    const QByteArray body = patternBody(1500);
    server->setReply("/f.dat", HttpTestServer::ok(body));
    int asked = 0;
    downloader->setFreeSpaceQuery([&asked](const QString&) {
        ++asked;
        return 0.0;
    });
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    const bool result = download(QStringLiteral("/f.dat"), QStringLiteral("sub/list.dat"));
    QDir::setCurrent(before);

    EXPECT_TRUE(result);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("sub/list.dat"))), body);
}

TEST_F(DownloaderTest, AnAbsoluteDestinationAsksTheFreeSpaceOfItsFolder)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(1500)));
    QStringList asked;
    downloader->setFreeSpaceQuery([&asked](const QString& folder) {
        asked.append(folder);
        return 1500.0; // exactly enough
    });

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(asked, QStringList{dir.path() + QLatin1Char('/')});
}

TEST_F(DownloaderTest, CredentialsDefaultToEmptyTexts)
{
    server->setReply("/f.dat", HttpTestServer::ok("abc"));
    EXPECT_TRUE(downloader->DownloadFile(server->url(QStringLiteral("/f.dat")), dest()));
    ASSERT_EQ(server->requests().size(), 1);
    EXPECT_TRUE(server->requests()[0].header("Authorization").isEmpty());
}

TEST_F(DownloaderTest, CancelBeforeDownloadFileHasNoEffect)
{
    server->setReply("/f.dat", HttpTestServer::ok(patternBody(2000)));
    downloader->Cancel();

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_EQ(log->entries, successEntries(expectedPercents(2000)));
}

TEST_F(DownloaderTest, RunsTransfersOneAfterAnotherOnOneControl)
{
    const QByteArray first = patternBody(2000);
    const QByteArray second = patternBody(1000);
    server->setReply("/a.dat", HttpTestServer::ok(first));
    server->setReply("/b.dat", HttpTestServer::ok(second));

    EXPECT_TRUE(download(QStringLiteral("/a.dat"), dest(QStringLiteral("a.dat"))));
    EXPECT_TRUE(download(QStringLiteral("/b.dat"), dest(QStringLiteral("b.dat"))));

    EXPECT_EQ(readFile(dest(QStringLiteral("a.dat"))), first);
    EXPECT_EQ(readFile(dest(QStringLiteral("b.dat"))), second);
    EXPECT_EQ(log->completions(), 2);
}

TEST_F(DownloaderTest, TheHostKeepsRunningDuringATransfer)
{
    const QByteArray body = patternBody(3000);
    Reply reply;
    reply.then(answer("HTTP/1.1 200 OK", {"Content-Length: 3000"}), 150);
    for (int at = 0; at < body.size(); at += 1000)
        reply.then(body.mid(at, 1000), 50);
    server->setReply("/f.dat", reply);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);

    EXPECT_TRUE(download(QStringLiteral("/f.dat"), dest()));

    EXPECT_GE(ticks, 5);
    EXPECT_EQ(readFile(dest()), body);
}
