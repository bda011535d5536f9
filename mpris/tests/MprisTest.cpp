#include "mpris/Mpris.h"
#include "engine/PlayerEngine.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kelvane;
using namespace kelvane::test;

namespace {

// The program's side as the service sees it: records what was asked of it.
class StandInHost : public MprisHost
{
public:
    void raise() override { ++raised; }
    void quit() override { ++quits; }
    void step(int delta) override { steps.append(delta); }
    int raised = 0;
    int quits = 0;
    QList<int> steps;
};

} // namespace

TEST(Mpris, ReportsStatusMetadataAndVolume)
{
    HttpTestServer server;
    IcyStreamer::serve(server, "/live",
                       {.source = generatedMp3(30), .metaInt = 8000, .title = "Song"});
    StandInHost host;
    MprisService service(host, QStringLiteral("example.kelvane.Kelvane"));
    EngineSettings settings;
    settings.extraOptions = {"ao=null", "vo=null"};
    settings.volume = 70;
    auto engine = std::make_unique<PlayerEngine>(settings);

    const struct
    {
        const char* name;
        std::function<void()> act;
        std::function<bool()> settled; // what to wait for after acting
        QString status;
        QString title;
        QString album;
        double volume;
    } steps[] = {
        // Before anything played: the volume remembered from the last run, not 0.
        {"nothing followed yet", [&] { service.setIdleVolume(30); }, {}, "Stopped", {}, {}, 0.3},
        {"a player followed",
         [&] {
             engine->setStationName(QStringLiteral("电台"));
             service.follow(engine.get());
         },
         {},
         "Stopped",
         "电台",
         "电台",
         0.7},
        {"playing, with a title", [&] { engine->setURL(server.url("/live")); },
         [&] { return engine->nowPlaying() == u"Song"; }, "Playing", "Song", "电台", 0.7},
        {"paused", [&] { engine->pause(); },
         [&] { return engine->state() == PlayerEngine::State::Paused; }, "Paused", "Song", "电台",
         0.7},
        {"volume set from the desktop",
         [&] { service.setVolume(0.25); },
         {},
         "Paused",
         "Song",
         "电台",
         0.25},
        {"the player gone: its volume stays", [&] { engine.reset(); }, {}, "Stopped", {}, {}, 0.25},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        if (s.settled) {
            ASSERT_TRUE(waitUntil(s.settled, 20000));
        }
        EXPECT_EQ(service.playbackStatus(), s.status);
        const QVariantMap m = service.metadata();
        EXPECT_EQ(m.value("xesam:title").toString(), s.title);
        EXPECT_EQ(m.value("xesam:album").toString(), s.album);
        EXPECT_DOUBLE_EQ(service.volume(), s.volume);
    }
}
