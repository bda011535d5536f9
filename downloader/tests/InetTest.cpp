// The transfer component under the control: Execute, StillExecuting, the rebuilt header,
// GetChunk's whole pieces, bounded waits, Cancel.
#include "downloader/Inet.h"

#include "downloader/tests/DownloaderTestSupport.h"
#include "tests/support/TestUtil.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

using namespace kelvane;
using namespace kelvane::downloader;
using namespace kelvane::test;
using Reply = HttpTestServer::Reply;

namespace {
void waitForAnswer(Inet& inet)
{
    while (inet.StillExecuting())
        inet.Wait(QEventLoop::AllEvents);
}
} // namespace

class InetTest : public ::testing::Test
{
protected:
    void TearDown() override { flushEvents(); }
    HttpTestServer server;
    Inet inet;
};

TEST_F(InetTest, ExecuteReturnsAtOnceAndTheHeaderIsRebuiltAsTheWireShowedIt)
{
    server.setReply("/f.dat", Reply().then(answer("HTTP/1.1 200 OK",
                                                  {"Content-Type: text/plain", "Content-Length: 5",
                                                   "X-Station: a  b"},
                                                  "hello"),
                                           1000));
    inet.setURL(server.url(QStringLiteral("/f.dat")));
    QElapsedTimer clock;
    clock.start();
    inet.Execute({}, QStringLiteral("GET"), {}, QStringLiteral("Range: bytes=0-\r\n"));
    EXPECT_TRUE(inet.StillExecuting());
    EXPECT_LT(clock.elapsed(), 500);
    waitForAnswer(inet);

    EXPECT_EQ(inet.GetHeader(), QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                                               "Content-Length: 5\r\nX-Station: a  b\r\n"));
    EXPECT_EQ(inet.GetHeader(QStringLiteral("content-length")), QStringLiteral("5"));
    EXPECT_EQ(inet.GetHeader(QStringLiteral("Missing")), QString());
    EXPECT_EQ(inet.GetChunk(1024), QByteArray("hello"));
    EXPECT_EQ(inet.GetChunk(1024), QByteArray());
    EXPECT_TRUE(inet.atEnd());
    EXPECT_TRUE(inet.endedCleanly());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].header("Range"), QByteArray("bytes=0-"));
    EXPECT_EQ(server.requests()[0].header("Accept-Encoding"), QByteArray("identity"));
    inet.Cancel();
    EXPECT_FALSE(inet.StillExecuting());
}

TEST_F(InetTest, GetChunkHandsOutWholePiecesFromADripAndAShortOneOnlyAtTheEnd)
{
    const QByteArray body = patternBody(2600);
    Reply reply;
    reply.then(answer("HTTP/1.1 200 OK", {"Content-Length: 2600"}));
    for (int at = 0; at < body.size(); at += 300)
        reply.then(body.mid(at, 300), 5);
    server.setReply("/f.dat", reply);
    inet.Execute(server.url(QStringLiteral("/f.dat")));
    waitForAnswer(inet);

    QList<qsizetype> sizes;
    QByteArray got;
    QByteArray piece;
    do {
        piece = inet.GetChunk(1024);
        sizes.append(piece.size());
        got += piece;
    } while (!piece.isEmpty());
    EXPECT_EQ(sizes, (QList<qsizetype>{1024, 1024, 552, 0}));
    EXPECT_EQ(got, body);
}

TEST_F(InetTest, ARefusedConnectionIsAConnectionFailure)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    inet.Execute(QStringLiteral("http://127.0.0.1:%1/f.dat").arg(port));
    waitForAnswer(inet);
    EXPECT_TRUE(inet.connectionFailed());
    EXPECT_EQ(inet.GetHeader(), QString());
}

TEST_F(InetTest, TheConnectTimeOutBoundsTheWaitForAnAnswer)
{
    server.setReply("/f.dat", Reply().hold());
    inet.setConnectTimeoutMs(400);
    QElapsedTimer clock;
    clock.start();
    inet.Execute(server.url(QStringLiteral("/f.dat")));
    waitForAnswer(inet);
    EXPECT_GE(clock.elapsed(), 350);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(inet.connectionFailed());
}

TEST_F(InetTest, TheInactivityTimeOutEndsABodyShortAndNotCleanly)
{
    server.setReply(
        "/f.dat", Reply()
                      .then(answer("HTTP/1.1 200 OK", {"Content-Length: 5000"}, patternBody(1500)))
                      .hold());
    inet.setInactivityTimeoutMs(300);
    inet.Execute(server.url(QStringLiteral("/f.dat")));
    waitForAnswer(inet);
    EXPECT_EQ(inet.GetChunk(1024).size(), 1024);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(inet.GetChunk(1024).size(), 476); // what came before the silence
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_EQ(inet.GetChunk(1024).size(), 0);
    EXPECT_TRUE(inet.atEnd());
    EXPECT_FALSE(inet.endedCleanly());
}

TEST_F(InetTest, InterruptEndsAWaitAtOnce)
{
    server.setReply("/f.dat", Reply().hold());
    inet.Execute(server.url(QStringLiteral("/f.dat")));
    QTimer::singleShot(100, &inet, [this] { inet.interrupt(); });
    QElapsedTimer clock;
    clock.start();
    inet.Wait(QEventLoop::AllEvents);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(inet.StillExecuting());
    inet.Wait(QEventLoop::AllEvents); // returns at once after an interrupt
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(inet.GetChunk(1024), QByteArray());
}

TEST_F(InetTest, ExecuteWhileARequestRunsIsAnError)
{
    server.setReply("/f.dat", Reply().hold());
    inet.Execute(server.url(QStringLiteral("/f.dat")));
    try {
        inet.Execute(server.url(QStringLiteral("/f.dat")));
        FAIL() << "started a second request";
    } catch (const TransferError& error) {
        EXPECT_EQ(error.code, 35764);
        EXPECT_EQ(error.description, QStringLiteral("Still executing last request"));
    }
    inet.Cancel();
    server.setReply("/g.dat", HttpTestServer::ok("ok"));
    inet.Execute(server.url(QStringLiteral("/g.dat"))); // ready again after Cancel
    waitForAnswer(inet);
    EXPECT_TRUE(inet.GetHeader().startsWith(QStringLiteral("HTTP/1.1 200 OK\r\n")));
    EXPECT_EQ(inet.GetChunk(1024), QByteArray("ok"));
}

TEST_F(InetTest, ARedirectLoopIsAFailureOfTheComponent)
{
    server.setReply("/loop", Reply().then(answer("HTTP/1.1 301 Moved Permanently",
                                                 {"Location: /loop", "Content-Length: 0"})));
    inet.Execute(server.url(QStringLiteral("/loop")));
    waitForAnswer(inet);
    try {
        (void)inet.GetHeader();
        FAIL() << "no failure";
    } catch (const TransferError& error) {
        EXPECT_NE(error.code, 0);
        EXPECT_EQ(error.description, QStringLiteral("Too many redirects"));
    }
}

TEST_F(InetTest, TheComponentGoingAwayEndsAWaitBelowIt)
{
    server.setReply("/f.dat", Reply().hold());
    auto* component = new Inet;
    QPointer<Inet> guard(component);
    component->Execute(server.url(QStringLiteral("/f.dat")));
    QTimer::singleShot(50, [component] { delete component; });
    QElapsedTimer clock;
    clock.start();
    component->Wait(QEventLoop::AllEvents);
    EXPECT_TRUE(guard.isNull());
    EXPECT_LT(clock.elapsed(), 1000);
}
