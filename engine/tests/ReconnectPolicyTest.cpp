#include "engine/ReconnectPolicy.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kelvane;
using Kind = Decision::Kind;
using Reason = TryEnd::Reason;

namespace {

constexpr qint64 kLength = 480000; // a 30-second file at 128 kbit/s
constexpr qint64 kLastFrame = kLength - 418;

// One try as the player reports it: loaded (or not), the media positions it reached, its end.
struct Try
{
    bool loads = true;
    std::vector<double> positions;
    TryEnd end;
};

std::vector<double> seconds(double from, double to)
{
    std::vector<double> v;
    for (double s = from; s <= to; ++s)
        v.push_back(s);
    return v;
}

std::vector<double> operator+(std::vector<double> a, const std::vector<double>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Decision run(ReconnectPolicy& policy, const Try& t)
{
    if (t.loads) {
        policy.loaded();
        for (double s : t.positions)
            policy.positionReached(s);
    }
    return policy.ended(t.end);
}

TryEnd eof(qint64 bytes, qint64 length = -1)
{
    return {Reason::Eof, {}, bytes, length};
}

// An end where the demuxer knew the media's duration (exact: from its index or playlist).
TryEnd eofKnowing(double duration, bool exact, qint64 bytes, qint64 length = -1)
{
    return {Reason::Eof, {}, bytes, length, duration, exact};
}

TryEnd error(FailReason why, int status = 0)
{
    return {Reason::Error, {why, status}, -1, -1};
}

struct FirstTry
{
    const char* name;
    Try t;
    Kind kind;
    FailReason failure = FailReason::None;
};

} // namespace

TEST(ReconnectPolicy, JudgesAFirstTryByWhatArrived)
{
    const FirstTry cases[] = {
        // The estimated duration (30 s) plays no part: only the bytes do.
        {"file whose duration was estimated 30% short",
         {true, seconds(0, 39), eof(kLastFrame, kLength)},
         Kind::Finished},
        {"file whose duration was estimated 30% long",
         {true, seconds(0, 21), eof(kLastFrame, kLength)},
         Kind::Finished},
        {"file paused for a minute, then played out",
         {true, seconds(0, 10) + std::vector<double>(60, 10) + seconds(11, 30),
          eof(kLastFrame, kLength)},
         Kind::Finished},
        {"file with buffering stalls",
         {true, seconds(0, 5) + seconds(5, 12) + seconds(12, 30), eof(kLength, kLength)},
         Kind::Finished},
        {"whole file with a decoder error at its end",
         {true, seconds(0, 30), {Reason::Error, {}, kLength, kLength}},
         Kind::Finished},
        // Where the bytes cannot tell, a known duration and a position at its end do.
        {"VOD playlist played to its end (no length: segments)",
         {true, seconds(0, 7), eofKnowing(8, true, 90000)},
         Kind::Finished},
        {"MP4 whose index at its end is larger than the slack",
         {true, seconds(0, 29), eofKnowing(30, true, kLength, kLength + 620000)},
         Kind::Finished},
        {"file sent without a length, its duration known",
         {true, seconds(0, 29), eofKnowing(30, true, kLength)},
         Kind::Finished},
        // An estimate is only what had arrived when mpv looked: a live stream that dropped
        // before its start was taken in looks like a short file.
        {"live stream whose drop came before it was opened",
         {true, seconds(0, 5), eofKnowing(5, false, 80000)},
         Kind::Reconnect},
        {"file without a length cut before its known end",
         {true, seconds(0, 15), eofKnowing(30, false, kLength / 2)},
         Kind::Reconnect},
        {"estimated duration passed, but the bytes say cut",
         {true, seconds(0, 25), eofKnowing(20, false, kLength * 4 / 5, kLength)},
         Kind::Reconnect},
        {"file cut short", {true, seconds(0, 15), eof(kLength / 2, kLength)}, Kind::Reconnect},
        {"position past the stated length",
         {true, seconds(0, 40), eof(kLength * 2, kLength)},
         Kind::Reconnect},
        {"live stream that drops", {true, seconds(0, 5), eof(80000)}, Kind::Reconnect},
        {"end with nothing known", {true, seconds(0, 5), eof(-1)}, Kind::Reconnect},
        {"stopped by the player",
         {true, seconds(0, 5), {Reason::Stopped, {}, 100, kLength}},
         Kind::Continue},
        {"playlist handing over", {false, {}, {Reason::Redirect, {}, -1, -1}}, Kind::Continue},
        {"dead station: not found",
         {false, {}, error(FailReason::NotFound, 404)},
         Kind::Failed,
         FailReason::NotFound},
        {"dead station: cause unknown",
         {false, {}, error(FailReason::None)},
         Kind::Failed,
         FailReason::Unknown},
        {"empty answer", {false, {}, eof(0, 0)}, Kind::Failed, FailReason::Unknown},
    };
    for (const FirstTry& c : cases) {
        SCOPED_TRACE(c.name);
        ReconnectPolicy policy;
        const Decision d = run(policy, c.t);
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.failure.reason, c.failure);
        if (c.kind == Kind::Reconnect) {
            EXPECT_EQ(d.delayMs, ReconnectPolicy::kFirstRetryMs);
            EXPECT_EQ(d.attempt, 1);
        }
    }
}

TEST(ReconnectPolicy, BacksOffThenWaitsOnceAMinuteForever)
{
    // A live stream that drops after a few seconds, each time somewhere else; and a station
    // whose server answers 404 after it played (an icecast mount whose source is gone).
    const Try drops[] = {{true, seconds(0, 5), eof(80000)},
                         {false, {}, error(FailReason::NotFound, 404)}};
    for (const Try& drop : drops) {
        ReconnectPolicy policy;
        std::vector<int> delays;
        Try t = drop;
        for (int i = 0; i < 30; ++i) {
            if (t.loads)
                t.end.bytes = 80000 + i * 50000;
            const Decision d = run(policy, i == 0 ? Try{true, seconds(0, 5), eof(40000)} : t);
            ASSERT_EQ(d.kind, Kind::Reconnect);
            EXPECT_EQ(d.attempt, i + 1);
            delays.push_back(d.delayMs);
        }
        EXPECT_EQ(std::vector<int>(delays.begin(), delays.begin() + 11),
                  (std::vector<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000, 30000,
                                    30000, ReconnectPolicy::kWaitRetryMs}));
        EXPECT_EQ(delays.back(), ReconnectPolicy::kWaitRetryMs);
        EXPECT_TRUE(policy.waiting());
        EXPECT_EQ(policy.lastFailure().reason, t.loads ? FailReason::Ended : FailReason::NotFound);
    }
}

TEST(ReconnectPolicy, StablePlayStartsTheBackOffAnew)
{
    ReconnectPolicy policy;
    run(policy, {true, seconds(0, 3), eof(50000)});
    run(policy, {false, {}, error(FailReason::Unreachable)});
    ASSERT_EQ(policy.retries(), 2);
    // Played 25 s of media, then dropped somewhere new: a good connection that broke.
    const Decision d = run(policy, {true, seconds(100, 125), eof(400000)});
    EXPECT_EQ(d.kind, Kind::Reconnect);
    EXPECT_EQ(d.attempt, 1);
    EXPECT_EQ(d.delayMs, ReconnectPolicy::kFirstRetryMs);
    // Short plays are no good connection, however long they took.
    ReconnectPolicy stalled;
    run(stalled, {true, seconds(0, 3), eof(50000)});
    EXPECT_EQ(run(stalled, {true, seconds(0, 3), eof(90000)}).attempt, 2);
}

TEST(ReconnectPolicy, ACutThatComesBackAtTheSamePlaceFailsAfterTheTries)
{
    // Each try plays past the stable mark and ends at the same byte (or, where bytes are not
    // known, the same media position): the file is cut, replaying it is no help.
    const TryEnd ends[] = {eof(kLength / 2, kLength), eof(-1)};
    for (const TryEnd& end : ends) {
        ReconnectPolicy policy;
        Decision d;
        int tries = 0;
        while ((d = run(policy, {true, seconds(0, 25), end})).kind == Kind::Reconnect)
            ASSERT_LE(++tries, ReconnectPolicy::kMaxRetries);
        EXPECT_EQ(tries, ReconnectPolicy::kMaxRetries);
        EXPECT_EQ(d.kind, Kind::Failed);
        EXPECT_EQ(d.failure.reason, FailReason::Ended);
    }
}
