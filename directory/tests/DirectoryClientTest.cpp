// The directory client against a stand-in directory on the loopback, answering from recorded JSON.
#include "directory/DirectoryClient.h"

#include "tests/support/HttpTestServer.h"
#include "tests/support/TestUtil.h"

#include <QFile>
#include <QSignalSpy>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::HttpTestServer;

namespace {

QByteArray recorded(const QString& name, const HttpTestServer& server)
{
    QFile file(qEnvironmentVariable("KELVANE_TEST_DATA") + QStringLiteral("/data/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll()
        .replace("{{BASE}}", QByteArray("http://127.0.0.1:" + QByteArray::number(server.port())))
        .replace("{{LONG}}", QByteArray(300, 'x'));
}

DirectoryClient::Options optionsFor(const HttpTestServer& server)
{
    DirectoryClient::Options options;
    options.base = QUrl(server.url(QStringLiteral("/")));
    options.shuffleServers = false;
    options.deadlineMs = 3000;
    return options;
}

HttpTestServer::Reply answer(int status, const QByteArray& body, const QByteArray& type)
{
    return HttpTestServer::Reply().then(HttpTestServer::response(
        status, "X",
        {"Content-Type: " + type, "Content-Length: " + QByteArray::number(body.size()),
         "Connection: close"},
        body));
}

// One search; the stations found, or the message of the failure.
struct Outcome
{
    std::optional<QList<DirectoryStation>> stations;
    QString message;
};

Outcome searchOnce(DirectoryClient& client, const DirectoryQuery& query = {})
{
    QSignalSpy found(&client, &DirectoryClient::found);
    QSignalSpy failed(&client, &DirectoryClient::failed);
    client.search(query);
    EXPECT_TRUE(test::waitUntil([&] { return found.size() + failed.size() > 0; }, 20000));
    Outcome outcome;
    if (!found.isEmpty())
        outcome.stations = found.at(0).at(1).value<QList<DirectoryStation>>();
    if (!failed.isEmpty())
        outcome.message = failed.at(0).at(0).toString();
    return outcome;
}

QUrlQuery queryOf(const HttpTestServer::Request& request)
{
    return QUrlQuery(QUrl(QString::fromLatin1(request.target)));
}

} // namespace

TEST(DirectoryClientTest, SearchesWithTheDirectorysParametersAndCleansWhatItShows)
{
    HttpTestServer server;
    server.setReply("/json/servers", answer(200, "[]", "application/json"));
    server.setReply("/json/stations/search",
                    answer(200, recorded("search.json", server), "application/json"));
    DirectoryClient client(optionsFor(server));

    const Outcome outcome = searchOnce(
        client, {QStringLiteral("中国 之声+1"), QStringLiteral("news"), QStringLiteral("CN"), 0});
    ASSERT_TRUE(outcome.stations) << outcome.message.toStdString();
    const HttpTestServer::Request& request = server.requests().last();
    EXPECT_TRUE(request.target.startsWith("/json/stations/search?"));
    const QUrlQuery query = queryOf(request);
    EXPECT_EQ(query.queryItemValue("name", QUrl::FullyDecoded), QStringLiteral("中国 之声+1"));
    EXPECT_EQ(query.queryItemValue("tag"), "news");
    EXPECT_EQ(query.queryItemValue("countrycode"), "CN");
    EXPECT_EQ(query.queryItemValue("limit"), "100");
    EXPECT_EQ(query.queryItemValue("offset"), "0");
    EXPECT_EQ(query.queryItemValue("hidebroken"), "true");
    EXPECT_EQ(query.queryItemValue("order"), "clickcount");
    EXPECT_EQ(query.queryItemValue("reverse"), "true");
    EXPECT_EQ(query.queryItems().size(), 8);
    EXPECT_EQ(request.header("User-Agent"), "Kelvane/1.0");

    // The file: station is dropped; names lose control and direction characters and are cut.
    const QList<DirectoryStation>& s = *outcome.stations;
    ASSERT_EQ(s.size(), 3);
    EXPECT_EQ(s[0].name, QStringLiteral("中国之声"));
    EXPECT_EQ(s[0].bitrate, 128);
    EXPECT_TRUE(s[0].lastCheckOk);
    EXPECT_EQ(s[1].name, QStringLiteral("经典音乐台"));
    EXPECT_EQ(s[1].bitrate, 64); // numbers as strings
    EXPECT_FALSE(s[1].lastCheckOk);
    EXPECT_EQ(s[1].playAddress(), s[1].url); // no resolved address: the listed one
    EXPECT_EQ(s[2].name.size(), 256);
    EXPECT_EQ(s[2].bitrate, 96);
}

TEST(DirectoryClientTest, FallsBackToAnotherServerThenToTheBase)
{
    HttpTestServer server;
    server.setReply("/json/servers",
                    answer(200, recorded("servers.json", server), "application/json"));
    bool baseDown = false;
    const QByteArray stations = recorded("search.json", server);
    // Every named server is this one; it tells them apart by the host asked for.
    server.setHandler("/json/stations/search", [&](QTcpSocket* socket, const auto& request) {
        const bool fails = request.header("Host").startsWith("localhost") || baseDown;
        socket->write(HttpTestServer::response(
            fails ? 503 : 200, "X",
            {"Content-Length: " + QByteArray::number(fails ? 0 : stations.size()),
             "Connection: close"},
            fails ? QByteArray() : stations));
        socket->disconnectFromHost();
    });
    DirectoryClient client(optionsFor(server));

    ASSERT_TRUE(searchOnce(client).stations);
    QList<QByteArray> hosts;
    for (const auto& r : server.requests())
        hosts.append(r.header("Host"));
    const QByteArray port = QByteArray::number(server.port());
    EXPECT_EQ(hosts,
              (QList<QByteArray>{"127.0.0.1:" + port, "localhost:" + port, "127.0.0.1:" + port}));
    EXPECT_EQ(client.server().host(), "127.0.0.1");
    ASSERT_EQ(client.servers().size(), 2);

    // Discovery is not repeated; with every server failing the answer says so.
    baseDown = true;
    EXPECT_EQ(searchOnce(client).message, DirectoryClient::kUnreachable + " (HTTP 503)");
    EXPECT_EQ(server.requests().size(), 3 + 2);
}

TEST(DirectoryClientTest, ABadAnswerIsReportedAndNothingIsFound)
{
    const QByteArray html = "<!DOCTYPE html><html><body>Bad gateway</body></html>";
    struct Case
    {
        const char* what;
        std::function<void(HttpTestServer&)> serve;
        QString message;
    };
    const QList<Case> cases = {
        {"down", [](HttpTestServer& s) { s.closeAll(); }, DirectoryClient::kUnreachable},
        {"500",
         [](HttpTestServer& s) {
             s.setReply("/json/stations/search", answer(500, "oops", "text/plain"));
         },
         DirectoryClient::kUnreachable + " (HTTP 500)"},
        {"HTML",
         [&](HttpTestServer& s) {
             s.setReply("/json/stations/search", answer(200, html, "text/html"));
         },
         DirectoryClient::kUnrecognised},
        {"100 MB body",
         [](HttpTestServer& s) {
             s.setReply("/json/stations/search",
                        HttpTestServer::Reply()
                            .then("HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\n\r\n[")
                            .then(QByteArray(5 * 1024 * 1024, ' '))
                            .hold());
         },
         DirectoryClient::kUnrecognised},
        {"wrong shape",
         [](HttpTestServer& s) {
             s.setReply("/json/stations/search",
                        answer(200, R"({"stations":[]})", "application/json"));
         },
         DirectoryClient::kUnrecognised},
        {"wrong field types",
         [](HttpTestServer& s) {
             s.setReply("/json/stations/search",
                        answer(200, R"([{"stationuuid":[1],"name":5,"url":{"a":1}},7,"x"])",
                               "application/json"));
         },
         DirectoryClient::kUnrecognised},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpTestServer server;
        server.setReply("/json/servers", answer(404, "", "text/plain"));
        DirectoryClient client(optionsFor(server));
        c.serve(server);
        const Outcome outcome = searchOnce(client);
        EXPECT_FALSE(outcome.stations);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_FALSE(client.isSearching());
    }
}

TEST(DirectoryClientTest, PagesAndANewSearchReplacesTheRunningOne)
{
    HttpTestServer server;
    server.setReply("/json/servers", answer(200, "[]", "application/json"));
    const QByteArray stations = recorded("search.json", server);
    server.setHandler("/json/stations/search", [&](QTcpSocket* socket, const auto& request) {
        if (queryOf(request).queryItemValue("name") == "slow")
            return; // never answers
        socket->write(HttpTestServer::response(
            200, "OK",
            {"Content-Length: " + QByteArray::number(stations.size()), "Connection: close"},
            stations));
        socket->disconnectFromHost();
    });
    DirectoryClient client(optionsFor(server));
    QSignalSpy found(&client, &DirectoryClient::found);

    client.search({QStringLiteral("slow"), {}, {}, 0});
    ASSERT_TRUE(test::waitUntil([&] { return server.requests().size() == 2; }));
    const Outcome next = searchOnce(client, {QStringLiteral("fast"), {}, {}, 100});
    ASSERT_TRUE(next.stations);
    EXPECT_EQ(queryOf(server.requests().last()).queryItemValue("offset"), "100");
    test::runFor(200);
    ASSERT_EQ(found.size(), 1); // the slow one never reports
    EXPECT_EQ(found.at(0).at(0).value<DirectoryQuery>().name, "fast");
}

TEST(DirectoryClientTest, AClickIsCountedAndItsAddressPlayed)
{
    HttpTestServer server;
    server.setReply("/json/servers", answer(200, "[]", "application/json"));
    server.setReply("/json/stations/search",
                    answer(200, recorded("search.json", server), "application/json"));
    const QByteArray uuid = "960e57c5-0601-11e8-ae97-52543be04c81";
    server.setReply("/json/url/" + uuid,
                    answer(200, recorded("click.json", server), "application/json"));
    DirectoryClient client(optionsFor(server));
    const Outcome outcome = searchOnce(client);
    ASSERT_TRUE(outcome.stations);
    QSignalSpy resolved(&client, &DirectoryClient::resolved);

    // The click's answer gives the address; without an answer the listed one plays.
    client.click(outcome.stations->at(0));
    ASSERT_TRUE(resolved.wait(5000));
    EXPECT_EQ(server.requests().last().target, "/json/url/" + uuid);
    EXPECT_EQ(resolved.at(0).at(1).toString(), server.url(QStringLiteral("/live/voc-clicked.mp3")));
    client.click(outcome.stations->at(1)); // not on the stand-in: 404
    ASSERT_TRUE(resolved.wait(5000));
    EXPECT_EQ(resolved.at(1).at(1).toString(), server.url(QStringLiteral("/live/classic.aac")));
}
