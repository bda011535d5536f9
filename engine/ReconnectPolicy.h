#pragma once

#include <QtGlobal>

namespace kelvane {

// Why a station could not be played, as far as the player can tell.
enum class FailReason
{
    None,
    Unreachable,  // nothing answers at that address (connection refused, no route)
    HostNotFound, // the server's name does not resolve
    NotFound,     // HTTP 404 or 410
    HttpError,    // any other HTTP error status
    Unsupported,  // something answered, but not in a format the player knows
    TimedOut,     // nothing arrived within the network time-out
    Ended,        // it played, then kept dropping until the tries ran out
    NotNetwork,   // a playlist pointed at something that is not a network address
    Unknown
};

struct Failure
{
    FailReason reason = FailReason::None;
    int httpStatus = 0; // with HttpError and NotFound
    bool operator==(const Failure&) const = default;
};

// How one try ended, in the player's terms.
struct TryEnd
{
    enum class Reason
    {
        Eof,      // the stream or file ended, cleanly or not
        Error,    // it could not be opened or decoded
        Stopped,  // we stopped it or replaced it: not ours to judge
        Redirect, // a playlist handed over to its entries
    };
    Reason reason = Reason::Eof;
    Failure failure;      // with Error: what went wrong, when known
    qint64 bytes = -1;    // how far into the resource the player got; -1 unknown
    qint64 length = -1;   // the resource's stated length; -1 for a stream without one
    double duration = -1; // the media's length in seconds as the demuxer knew it; -1 unknown
    // The duration comes from the media's own index or header, not estimated from the length.
    bool exactDuration = false;
};

struct Decision
{
    enum class Kind
    {
        Continue,  // nothing to do: the session goes on
        Finished,  // the whole resource played: stop, never play it again
        Reconnect, // try again after delayMs; this is try `attempt` (past kMaxRetries: waiting)
        Failed     // give up, for `failure`
    };
    Kind kind = Kind::Continue;
    int delayMs = 0;
    int attempt = 0;
    Failure failure;
};

// How long the player waits before each try (tests shorten it).
struct RetryTiming
{
    int firstMs = 1000; // the first retry; the wait doubles from there
    int maxMs = 30000;  // the longest wait of the quick tries
    int waitMs = 60000; // after the quick tries: once a minute, for as long as the listener lets it
};

// Decides, from what happened to one station's playback, whether it finished, dropped (and when
// to try again) or failed. Finished is judged by the bytes that arrived against the resource's
// length, or by the media position against a duration the demuxer knew (a VOD playlist, a file
// whose index tells its length), never by the clock: estimated durations are often wrong and a
// pause or a stall stretches wall-clock time. A station that played once never gives up for good:
// after the quick tries it waits, trying once a minute, unless the same cut keeps coming back
// (the resource itself is broken). Pure: no event loop, no player.
class ReconnectPolicy
{
public:
    static constexpr int kFirstRetryMs = RetryTiming{}.firstMs;
    static constexpr int kMaxRetryMs = RetryTiming{}.maxMs;
    static constexpr int kMaxRetries = 10;
    static constexpr int kWaitRetryMs = RetryTiming{}.waitMs;
    // The position is reported in whole seconds, about once a second: this close to a known
    // duration is its end.
    static constexpr double kEndSlackSeconds = 2.5;
    // This much media actually played counts as a good connection: a later drop starts the
    // back-off anew.
    static constexpr double kStablePlaySeconds = 20;
    // The player reports the position of the last packet it decoded, not the last byte: within
    // 1/32 of the length (at least 4 KiB, at most 256 KiB) of the end is the end.
    static qint64 lastPacketSlack(qint64 length);
    // Drops this close to the previous one are the same cut coming back.
    static constexpr qint64 kSamePlaceBytes = 8 * 1024;
    static constexpr double kSamePlaceSeconds = 1.5;

    ReconnectPolicy() = default;
    explicit ReconnectPolicy(RetryTiming timing) : m_timing(timing) {}

    // A try reached playback.
    void loaded();
    // The media position of the current try, reported as it advances (about once a second).
    void positionReached(double seconds);
    Decision ended(const TryEnd& end);

    // The number of the try now under way or awaited: 0 for the first, 1 to kMaxRetries after.
    int retries() const { return m_retries; }
    // The quick tries are spent: trying once a minute.
    bool waiting() const { return m_retries > kMaxRetries; }
    // Why the last try failed or ended (for the status line while waiting).
    Failure lastFailure() const { return m_lastFailure; }
    double playedThisTry() const { return m_played; }

private:
    // sameCut: this drop came back at the place of the one before.
    Decision retry(Failure failure, bool sameCut = false);

    RetryTiming m_timing;
    int m_retries = 0;
    bool m_everLoaded = false;
    bool m_loadedThisTry = false;
    double m_played = 0;     // media seconds played in this try
    double m_position = -1;  // last media position of this try
    qint64 m_dropBytes = -1; // where the previous drop happened
    double m_dropPosition = -1;
    Failure m_lastFailure;
};

} // namespace kelvane
