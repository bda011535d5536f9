#include "player/StatusLine.h"
#include "player/CompactBar.h"
#include "player/MediaPlayer.h"
#include "player/SleepTimer.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;
using State = MediaPlayer::State;

namespace {

// Time moves only when the test says so.
class FakeClock final : public SleepClock
{
public:
    qint64 nowMs() const override { return now; }
    void setBeating(bool on) override { beating = on; }
    void advance(qint64 ms)
    {
        now += ms;
        Q_EMIT beat();
    }
    qint64 now = 0;
    bool beating = false;
};

class StatusLineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        IcyStreamer::serve(server, "/live",
                           {.source = generatedMp3(30), .metaInt = 8000, .title = "Song"});
        server.setReply("/gone", HttpTestServer::Reply().then(HttpTestServer::response(
                                     404, "Not Found", {"Content-Length: 0"})));
        MediaPlayerSettings s;
        s.extraOptions = {"ao=null", "vo=null"};
        s.sleepClock = &clock;
        player = std::make_unique<MediaPlayer>(s);
        // As wide as the radio window places it.
        player->resize(272, 61);
        player->show();
    }
    void TearDown() override
    {
        player.reset();
        flushEvents();
    }
    void play(const QByteArray& path)
    {
        player->close();
        player->setStationName(QStringLiteral("电台"));
        player->setURL(server.url(path));
    }

    HttpTestServer server;
    FakeClock clock;
    std::unique_ptr<MediaPlayer> player;
};

} // namespace

TEST_F(StatusLineTest, TheStateComesFirstAndTheStationAndTitleFollow)
{
    QTemporaryDir dir;
    const struct
    {
        std::function<void()> step;
        std::function<bool()> ready;
        QString line;
    } rows[] = {
        {[&] { play("/live"); }, [&] { return !player->nowPlaying().isEmpty(); },
         "正在播放 · 电台 · Song"},
        {[&] { player->setMuted(true); }, nullptr, "正在播放 · 静音 · 电台 · Song"},
        {[&] { player->sleepTimer()->start(30); }, nullptr,
         "正在播放 · 静音 · ⏾ 30:00 · 电台 · Song"},
        {[&] { clock.advance(79'000); }, nullptr,
         "正在播放 · 静音 · ⏾ 28:41 · 电台 · Song"},
        {[&] { player->startRecording(dir.path()); }, nullptr,
         "正在播放 · ● 录音 00:0x · 静音 · ⏾ 28:41 · 电台 · Song"},
        {[&] { player->stopRecording(); }, nullptr,
         "正在播放 · 录音已保存 00:0x · 静音 · ⏾ 28:41 · 电台 · Song"},
        // Another station keeps the timer (the note of the recording goes after a while).
        {[&] { play("/gone"); },
         [&] {
             return player->state() == State::Failed &&
                    !player->barText().contains(QStringLiteral("录音已保存"));
         },
         "无法播放：未找到 (HTTP 404) · 静音 · ⏾ 28:41 · 电台"},
        {[&] { player->setMuted(false); }, nullptr,
         "无法播放：未找到 (HTTP 404) · ⏾ 28:41 · 电台"},
        // A stop by hand ends it.
        {[&] { player->stop(); }, [&] { return !player->sleepTimer()->isRunning(); },
         "已停止 · 电台"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.toStdString());
        row.step();
        if (row.ready) {
            ASSERT_TRUE(waitUntil(row.ready, 20000));
        }
        // A slow machine may have recorded a second or two.
        const auto shown = [&] {
            return player->barText().replace(
                QRegularExpression(QStringLiteral("(录音\\S* 00:0)\\d")), QStringLiteral("\\1x"));
        };
        EXPECT_TRUE(waitUntil([&] { return shown() == row.line; }, 5000)) << shown().toStdString();
    }
}

TEST_F(StatusLineTest, ALongNameScrollsBesideTheWholeStateAndRestsAtEachEnd)
{
    player->setStationName(QStringLiteral("一个名字很长的电台名称"));
    player->setURL(server.url("/gone"));
    ASSERT_TRUE(waitUntil([&] { return player->state() == State::Failed; }, 20000));
    auto* line = player->findChild<StatusLine*>();
    ASSERT_NE(line, nullptr);
    ASSERT_TRUE(
        waitUntil([&] { return line->text().startsWith(QStringLiteral("无法播放")); }, 5000));
    // The state is drawn whole; only the name scrolls, out to its end and back.
    EXPECT_LE(line->stateWidth(), line->contentsRect().width());
    EXPECT_GT(line->width(), 150);
    const int range = line->scrollRange();
    ASSERT_GT(range, 0);
    const int bound = 2 * StatusLine::kRestMs + range * StatusLine::kStepMs * 3;
    ASSERT_TRUE(waitUntil([&] { return line->scrollOffset() == range; }, bound));
    QElapsedTimer rest;
    rest.start();
    ASSERT_TRUE(waitUntil([&] { return line->scrollOffset() == range - 1; }, bound));
    EXPECT_GE(rest.elapsed(), StatusLine::kRestMs / 2); // steps are 50 ms
    EXPECT_EQ(line->toolTip(), line->text());
}

TEST_F(StatusLineTest, TheTimerFadesOverItsLastHalfMinuteThenStopsAndPutsTheVolumeBack)
{
    play("/live");
    ASSERT_TRUE(waitUntil([&] { return player->state() == State::Playing; }, 20000));
    player->setVolume(80);
    SleepTimer* timer = player->sleepTimer();
    timer->start(1);
    EXPECT_TRUE(clock.beating);
    clock.advance(29'000);
    EXPECT_EQ(player->volume(), 80); // before the fade
    clock.advance(16'000);
    EXPECT_EQ(player->volume(), 40); // half way through it
    clock.advance(12'000);
    EXPECT_EQ(player->volume(), 8);
    EXPECT_EQ(player->state(), State::Playing);
    clock.advance(3'000);
    EXPECT_EQ(player->state(), State::Stopped);
    EXPECT_EQ(player->volume(), 80);
    EXPECT_FALSE(timer->isRunning());
    EXPECT_FALSE(clock.beating);

    // Cancelled in the fade: the volume comes back at once.
    play("/live");
    timer->start(1);
    clock.advance(45'000);
    EXPECT_EQ(player->volume(), 40);
    timer->cancel();
    EXPECT_EQ(player->volume(), 80);
    EXPECT_NE(player->state(), State::Stopped);

    // The player ends in the fade (the program quits): the volume the listener had is kept.
    timer->start(1);
    clock.advance(45'000);
    int last = -1;
    QObject::connect(player.get(), &MediaPlayer::volumeChanged, [&](int v) { last = v; });
    player->shutdown();
    EXPECT_EQ(last, 80);
}
