#include "net/Fetch.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/TestUtil.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane::net;
using namespace kelvane::test;
using Reply = HttpTestServer::Reply;

namespace {

class FetchTest : public ::testing::Test
{
protected:
    void TearDown() override { flushEvents(); }

    // Runs a fetch to its end, reading as the bytes come; the body read.
    QByteArray run(Fetch& fetch, const QString& path, Limits limits = {})
    {
        return run(fetch, QUrl(server.url(path)), limits);
    }
    QByteArray run(Fetch& fetch, const QUrl& url, const Limits& limits)
    {
        QByteArray body;
        QObject::connect(&fetch, &Fetch::readyRead, &fetch, [&] { body += fetch.readAll(); });
        fetch.start(url, limits);
        EXPECT_TRUE(waitUntil([&] { return fetch.isFinished(); }, 20000));
        body += fetch.readAll();
        return body;
    }

    HttpTestServer server;
};

QByteArray head(const QByteArray& statusLine, const QList<QByteArray>& headers)
{
    QByteArray out = statusLine + "\r\n";
    for (const QByteArray& h : headers)
        out += h + "\r\n";
    return out + "\r\n";
}

} // namespace

TEST_F(FetchTest, JudgesHowABodyEnded)
{
    const struct
    {
        const char* name;
        Reply reply;
        Fetch::Error error;
        QByteArray body;
    } cases[] = {
        {"stated length", HttpTestServer::ok("hello"), Fetch::Error::None, "hello"},
        {"delimited by the close", Reply().then(head("HTTP/1.0 200 OK", {}) + "until the close"),
         Fetch::Error::None, "until the close"},
        {"chunked, whole",
         Reply().then(head("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}) +
                      "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"),
         Fetch::Error::None, "hello world"},
        {"chunked, cut inside a chunk",
         Reply().then(head("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}) +
                      "5\r\nhello\r\n6\r\n wo"),
         Fetch::Error::Cut, "hello wo"},
        {"chunked, cut at a chunk boundary",
         Reply().then(head("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}) + "5\r\nhello\r\n"),
         Fetch::Error::Cut, "hello"},
        {"short of its length",
         Reply().then(head("HTTP/1.1 200 OK", {"Content-Length: 10"}) + "hello"), Fetch::Error::Cut,
         "hello"},
        {"no answer at all", Reply(), Fetch::Error::NoAnswer, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply("/r", c.reply);
        Fetch fetch;
        EXPECT_EQ(run(fetch, "/r"), c.body);
        EXPECT_EQ(fetch.error(), c.error) << fetch.errorString().toStdString();
    }
}

TEST_F(FetchTest, KeepsTheServersOwnStatusLineAndHeaders)
{
    server.setReply(
        "/old",
        Reply().then(head("HTTP/1.0 200 Fine", {"X-Thing:  a b ", "Content-Length: 2"}) + "ok"));
    Fetch fetch;
    QSignalSpy headers(&fetch, &Fetch::headersReceived);
    EXPECT_EQ(run(fetch, "/old"), "ok");
    EXPECT_EQ(headers.count(), 1);
    EXPECT_EQ(fetch.status(), 200);
    EXPECT_EQ(fetch.headerText(), "HTTP/1.0 200 Fine\r\nX-Thing: a b\r\nContent-Length: 2\r\n");
    EXPECT_EQ(fetch.header("x-thing"), "a b");
    EXPECT_EQ(server.requests().at(0).header("User-Agent"), "Kelvane/1.0");
}

TEST_F(FetchTest, CapsTheBody)
{
    // An endless body without a length (a radio stream behind a list address), and a stated
    // one past the cap for every body.
    server.setReply("/endless", Reply()
                                    .then(head("HTTP/1.0 200 OK", {}))
                                    .then(QByteArray(300000, 'x'))
                                    .then(QByteArray(300000, 'x'), 10)
                                    .hold());
    server.setReply("/big", HttpTestServer::ok(QByteArray(200000, 'y')));
    Limits unsized;
    unsized.maxUnsizedBytes = 256 * 1024;
    Limits any;
    any.maxBytes = 100000;
    const struct
    {
        const char* path;
        Limits limits;
        Fetch::Error error;
    } cases[] = {{"/endless", unsized, Fetch::Error::TooLarge},
                 {"/big", unsized, Fetch::Error::None},
                 {"/big", any, Fetch::Error::TooLarge}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Fetch fetch;
        const QByteArray body = run(fetch, c.path, c.limits);
        EXPECT_EQ(fetch.error(), c.error);
        if (c.error == Fetch::Error::TooLarge) {
            EXPECT_LE(body.size(), std::max(c.limits.maxBytes, c.limits.maxUnsizedBytes));
        }
    }
}

TEST_F(FetchTest, RefusesRedirectsItMustNotFollow)
{
    server.setReply("/to-file",
                    Reply().then(head("HTTP/1.1 302 Found",
                                      {"Location: file:///etc/passwd", "Content-Length: 0"})));
    server.setReply("/loop", Reply().then(head("HTTP/1.1 302 Found",
                                               {"Location: /loop", "Content-Length: 0"})));
    const struct
    {
        const char* path;
        Fetch::Error error;
    } cases[] = {{"/to-file", Fetch::Error::BadProtocol},
                 {"/loop", Fetch::Error::TooManyRedirects}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Fetch fetch;
        EXPECT_EQ(run(fetch, c.path), "");
        EXPECT_EQ(fetch.error(), c.error);
        EXPECT_FALSE(fetch.headersIn());
    }
    EXPECT_EQ(server.requests().size(), 1 + 1 + Fetch::kMaxRedirects);
}

TEST_F(FetchTest, BoundsEveryWait)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    server.setReply("/mute", Reply().hold());
    server.setReply("/stalls",
                    Reply().then(head("HTTP/1.1 200 OK", {"Content-Length: 10"}) + "abc").hold());
    Limits quick;
    quick.connectTimeoutMs = 300;
    quick.silenceMs = 300;
    Fetch refused;
    refused.start(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)), quick);
    ASSERT_TRUE(waitUntil([&] { return refused.isFinished(); }));
    EXPECT_EQ(refused.error(), Fetch::Error::ConnectFailed);
    Fetch mute;
    run(mute, "/mute", quick);
    EXPECT_EQ(mute.error(), Fetch::Error::ConnectFailed);
    Fetch stalls;
    EXPECT_EQ(run(stalls, "/stalls", quick), "abc"); // what arrived is kept
    EXPECT_EQ(stalls.error(), Fetch::Error::TimedOut);
    Fetch bad;
    bad.start(QUrl(QStringLiteral("ftp://127.0.0.1/x")), quick);
    ASSERT_TRUE(waitUntil([&] { return bad.isFinished(); }));
    EXPECT_EQ(bad.error(), Fetch::Error::BadProtocol);
}

TEST_F(FetchTest, PausesForASlowReaderAndLosesNothing)
{
    QByteArray big(8 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 4096);
    server.setReply("/big", HttpTestServer::ok(big));
    Fetch fetch;
    fetch.start(QUrl(server.url("/big")), {});
    QByteArray got;
    // Read only now and then, in small pieces: the buffer stays bounded meanwhile.
    while (!(fetch.isFinished() && fetch.bytesAvailable() == 0)) {
        ASSERT_TRUE(waitUntil([&] { return fetch.bytesAvailable() > 0 || fetch.isFinished(); }));
        EXPECT_LE(fetch.bytesAvailable(), Fetch::kBufferBytes + 100 * Fetch::kReadBytes);
        got += fetch.read(16 * 1024);
    }
    EXPECT_EQ(fetch.error(), Fetch::Error::None);
    EXPECT_TRUE(got == big);
}

TEST_F(FetchTest, NeverFollowsARedirectFromHttpsToHttp)
{
    // A TLS server of our own: a self-signed certificate for 127.0.0.1, trusted by this fetch.
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-keyout", key, "-out", cert, "-days", "1", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1"});
    ASSERT_TRUE(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
    server.setReply("/plain", HttpTestServer::ok("insecure"));
    QProcess tls;
    tls.start(QStringLiteral("python3"), {"-c", R"(
import http.server, ssl, sys
class H(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        target = {"/to-http": sys.argv[3], "/to-https": "/final"}.get(self.path)
        body = b"" if target else b"secure"
        self.send_response(302 if target else 200)
        if target:
            self.send_header("Location", target)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), H)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)",
                                          cert, key, server.url("/plain")});
    ASSERT_TRUE(tls.waitForReadyRead(10000));
    const int port = tls.readLine().trimmed().toInt();
    Limits limits;
    limits.caFile = QFile::encodeName(cert);
    const struct
    {
        const char* path;
        Fetch::Error error;
        QByteArray body;
    } cases[] = {{"/to-https", Fetch::Error::None, "secure"},
                 {"/to-http", Fetch::Error::InsecureRedirect, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Fetch fetch;
        const QByteArray body = run(
            fetch, QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(port).arg(c.path)), limits);
        EXPECT_EQ(fetch.error(), c.error) << fetch.errorString().toStdString();
        EXPECT_EQ(body, c.body);
    }
    EXPECT_TRUE(server.requests().isEmpty()); // the plain server was never asked
    tls.kill();
    tls.waitForFinished();
}

TEST_F(FetchTest, NoProxyStarStaysAsItIs)
{
    // The station's host (another loopback address, which the program does not add itself)
    // must be reached directly; the proxy must never be asked.
    QTcpServer station;
    ASSERT_TRUE(station.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
    const QByteArray proxyWas = qgetenv("http_proxy");
    const QByteArray noProxyWas = qgetenv("no_proxy");
    qputenv("http_proxy", server.url("/").toUtf8());
    qputenv("no_proxy", "*");
    Fetch fetch;
    fetch.start(QUrl(QStringLiteral("http://127.0.0.2:%1/radio").arg(station.serverPort())), {});
    const bool direct = waitUntil(
        [&] { return station.hasPendingConnections() || !server.requests().isEmpty(); }, 10000);
    fetch.abort();
    for (const auto& [name, was] : {std::pair{"http_proxy", proxyWas}, {"no_proxy", noProxyWas}}) {
        if (was.isNull())
            qunsetenv(name);
        else
            qputenv(name, was);
    }
    EXPECT_TRUE(direct);
    EXPECT_TRUE(station.hasPendingConnections());
    EXPECT_TRUE(server.requests().isEmpty());
}
