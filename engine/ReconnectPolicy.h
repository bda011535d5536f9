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
    Failure failure;    // with Error: what went wrong, when known
    qint64 bytes = -1;  // how far into the resource the player got; -1 unknown
    qint64 length = -1; // the resource's stated length; -1 for a stream without one
};

struct Decision
{
    enum class Kind
    {
        Continue,  // nothing to do: the session goes on
        Finished,  // the whole resource played: stop, never play it again
        Reconnect, // try again after delayMs; this is try `attempt` of kMaxRetries
        Failed     // give up, for `failure`
    };
    Kind kind = Kind::Continue;
    int delayMs = 0;
    int attempt = 0;
    Failure failure;
};

// Decides, from what happened to one station's playback, whether it finished, dropped (and when
// to try again) or failed. Dropped or finished is judged by the bytes that arrived against the
// resource's length, never by the clock: estimated durations are often wrong and a pause or a
// stall stretches wall-clock time. Pure: no event loop, no player.
class ReconnectPolicy
{
public:
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kMaxRetryMs = 30000;
    static constexpr int kMaxRetries = 10;
    // This much media actually played counts as a good connection: a later drop starts the
    // back-off anew.
    static constexpr double kStablePlaySeconds = 20;
    // The player reports the position of the last packet it decoded, not the last byte: within
    // 1/32 of the length (at least 4 KiB, at most 256 KiB) of the end is the end.
    static qint64 lastPacketSlack(qint64 length);
    // Drops this close to the previous one are the same cut coming back.
    static constexpr qint64 kSamePlaceBytes = 8 * 1024;
    static constexpr double kSamePlaceSeconds = 1.5;

    // A try reached playback.
    void loaded();
    // The media position of the current try, reported as it advances (about once a second).
    void positionReached(double seconds);
    Decision ended(const TryEnd& end);

    // The number of the try now under way or awaited: 0 for the first, 1 to kMaxRetries after.
    int retries() const { return m_retries; }
    double playedThisTry() const { return m_played; }

private:
    Decision retry(Failure failure);

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
