#include "engine/ReconnectPolicy.h"

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {

// A jump further than this is a timestamp discontinuity, not media that played.
constexpr double kMaxPositionStep = 5;

} // namespace

qint64 ReconnectPolicy::lastPacketSlack(qint64 length)
{
    return std::clamp<qint64>(length / 32, 4 * 1024, 256 * 1024);
}

void ReconnectPolicy::loaded()
{
    m_everLoaded = true;
    m_loadedThisTry = true;
    m_position = -1;
}

void ReconnectPolicy::positionReached(double seconds)
{
    if (!m_loadedThisTry || !std::isfinite(seconds))
        return;
    if (m_position >= 0 && seconds > m_position && seconds - m_position <= kMaxPositionStep)
        m_played += seconds - m_position;
    m_position = seconds;
}

Decision ReconnectPolicy::ended(const TryEnd& end)
{
    if (end.reason == TryEnd::Reason::Stopped || end.reason == TryEnd::Reason::Redirect)
        return {};
    Failure failure = end.failure;
    if (failure.reason == FailReason::None)
        failure.reason = FailReason::Unknown;

    if (!m_everLoaded) // the station never played: say why at once, no retries
        return {Decision::Kind::Failed, 0, m_retries, failure};
    if (!m_loadedThisTry) // a reconnect that did not get through
        return retry(failure);

    const bool lengthKnown = end.length > 0 && end.bytes >= 0;
    const bool whole = lengthKnown && end.bytes <= end.length &&
                       end.bytes >= end.length - lastPacketSlack(end.length);
    // Where the bytes cannot tell (a segmented playlist, a body without length, an index at the
    // end of the file past the slack), a duration the media states (its index, a playlist that
    // ends) and a position at its end do. An estimated one never does: it is only what had
    // arrived when the demuxer looked, and a live stream that dropped early looks like a file.
    const bool reachedEnd = end.reason == TryEnd::Reason::Eof && end.duration > 0 &&
                            end.exactDuration && m_position >= end.duration - kEndSlackSeconds;
    if (whole || reachedEnd)
        return {Decision::Kind::Finished, 0, m_retries, {}};

    // A drop. One that keeps coming back at the same place is the resource itself (a cut file),
    // not the network: playing up to it again is no good connection.
    const bool samePlace =
        end.bytes >= 0 && m_dropBytes >= 0
            ? std::abs(end.bytes - m_dropBytes) <= kSamePlaceBytes
            : m_dropPosition >= 0 && std::abs(m_position - m_dropPosition) <= kSamePlaceSeconds;
    if (m_played >= kStablePlaySeconds && !samePlace)
        m_retries = 0;
    m_dropBytes = end.bytes;
    m_dropPosition = m_position;
    return retry({FailReason::Ended, 0}, samePlace);
}

Decision ReconnectPolicy::retry(Failure failure, bool sameCut)
{
    m_lastFailure = failure;
    // A cut file ends after its tries; anything else may come back, so it is waited for.
    if (m_retries >= kMaxRetries && sameCut)
        return {Decision::Kind::Failed, 0, m_retries, m_lastFailure};
    const int delay = m_retries >= kMaxRetries
                          ? m_timing.waitMs
                          : std::min(m_timing.maxMs, m_timing.firstMs << std::min(m_retries, 5));
    ++m_retries;
    m_loadedThisTry = false;
    m_played = 0;
    m_position = -1;
    return {Decision::Kind::Reconnect, delay, m_retries, {}};
}

} // namespace kelvane
