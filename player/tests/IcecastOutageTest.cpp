#include "engine/PlayerEngine.h"
#include "player/tests/Icecast.h"
#include "tests/support/TestUtil.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;
using State = PlayerEngine::State;

// A real station whose source is gone for five minutes, longer than all the quick tries: the
// station is waited for, once a minute, and plays again by itself when the source is back.
TEST(IcecastOutageTest, AStationGoneForFiveMinutesPlaysAgainWhenItIsBack)
{
    Icecast icecast;
    ASSERT_TRUE(icecast.start()) << icecast.error().toStdString();
    ASSERT_TRUE(icecast.startSource());
    EngineSettings settings;
    settings.extraOptions = {"ao=null", "vo=null"};
    PlayerEngine engine(settings);
    engine.setStationName(QStringLiteral("电台"));
    engine.setURL(icecast.mountUrl());
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 20000));

    icecast.stopSource();
    QElapsedTimer outage;
    outage.start();
    bool waited = false;
    bool gaveUp = false;
    // The outage itself is time that has to pass; what the engine does meanwhile is watched.
    waitUntil(
        [&] {
            waited = waited || engine.statusText().startsWith(QStringLiteral("电台 · 等待网络…"));
            gaveUp = gaveUp || engine.state() == State::Failed || engine.state() == State::Stopped;
            return gaveUp || outage.elapsed() >= 5 * 60 * 1000;
        },
        6 * 60 * 1000);
    ASSERT_FALSE(gaveUp) << engine.statusText().toStdString();
    EXPECT_TRUE(waited) << "the quick tries never turned into waiting";

    ASSERT_TRUE(icecast.startSource());
    EXPECT_TRUE(waitUntil([&] { return engine.state() == State::Playing; },
                          ReconnectPolicy::kWaitRetryMs + 15000))
        << engine.statusText().toStdString();
}
