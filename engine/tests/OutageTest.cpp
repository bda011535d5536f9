#include "engine/PlayerEngine.h"
#include "net/NetworkWatch.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/PrivateSystemBus.h"
#include "tests/support/TestUtil.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kelvane;
using namespace kelvane::test;
using State = PlayerEngine::State;

// A station that went down is waited out once a minute; when the desktop (stand-in
// NetworkManager and logind on a private system bus) says the network is back or the machine
// woke, it is tried at once and plays again long before the minute is up.
TEST(OutageTest, TheDesktopSayingTheNetworkIsBackOrTheMachineWokeTriesAtOnce)
{
    PrivateSystemBus& bus = PrivateSystemBus::shared();
    ASSERT_TRUE(bus.error().isEmpty()) << qPrintable(bus.error());
    net::NetworkWatch watch;
    ASSERT_TRUE(watch.watchesSleep());

    // Each connection plays a few seconds, each a little longer than the one before (drops at
    // one place are a cut file, not an outage), then the station is down until told otherwise.
    HttpTestServer server;
    bool down = false;
    int connections = 0;
    server.setHandler("/live", [&](QTcpSocket* socket, const HttpTestServer::Request& request) {
        if (down) { // an icecast mount whose source is gone
            socket->write(HttpTestServer::response(404, "Not Found", {"Content-Length: 0"}));
            socket->disconnectFromHost();
            return;
        }
        IcyStreamer::Options live;
        live.source = generatedMp3(30);
        live.dropAfter = 80000 + 40000 * connections++;
        QObject::connect(socket, &QTcpSocket::disconnected, [&down] { down = true; });
        IcyStreamer::start(socket, request, live);
    });
    EngineSettings settings;
    settings.extraOptions = {"ao=null", "vo=null"};
    settings.retryTiming.firstMs = 20; // the quick tries shortened; the minute's wait is not
    settings.retryTiming.maxMs = 40;
    PlayerEngine engine(settings);
    engine.followNetwork(&watch);
    engine.setURL(server.url("/live"));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 20000));
    EXPECT_FALSE(watch.watchesNetwork()); // followed only once a station waits for it

    const std::vector<std::pair<const char*, std::function<bool()>>> news = {
        {"network back", [&] { return bus.announceDisconnected() && bus.announceConnected(); }},
        {"woke up", [&] { return bus.announceWake(); }},
    };
    for (const auto& [what, announce] : news) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(waitUntil([&] { return engine.isWaiting(); }, 30000))
            << engine.statusText().toStdString();
        ASSERT_TRUE(watch.watchesNetwork());
        down = false;
        ASSERT_TRUE(announce());
        EXPECT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000))
            << engine.statusText().toStdString();
    }
}
