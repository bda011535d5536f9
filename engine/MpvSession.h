#pragma once

#include "engine/ReconnectPolicy.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

#include <utility>

struct mpv_handle;
struct mpv_event;

namespace kelvane {

// mpv's audio outputs for this desktop, in mpv's order: PipeWire only where its socket exists,
// since trying it elsewhere loads and unloads its plugins, milliseconds before the first sound.
QByteArray audioOutputs(const QProcessEnvironment& env);

// One libmpv core and what it reports, as typed Qt signals on the GUI thread. mpv's wakeup
// callback only posts a queued drain; nothing else of mpv runs outside the GUI thread.
class MpvSession : public QObject
{
    Q_OBJECT
public:
    using Option = std::pair<QByteArray, QByteArray>;

    // Options are set before the core starts; later ones override earlier ones.
    explicit MpvSession(const QList<Option>& options, QObject* parent = nullptr);
    ~MpvSession() override;

    bool isValid() const { return m_mpv != nullptr; }
    // The options this libmpv did not take (unknown to its version, or a bad value).
    const QList<QByteArray>& refusedOptions() const { return m_refused; }
    // Plays the address in place of whatever plays: the new playlist entry's id, or -1 when mpv
    // refused it.
    qint64 load(const QString& url);
    void stop();
    void setPaused(bool paused);
    void setVolume(int volume);
    void setMuted(bool muted);
    void setVideoEnabled(bool enabled);
    // Writes the stream's packets, as received, to that file (its name's extension picks the
    // container); an empty path ends the file.
    // The address of the entry now playing (a playlist's stream, not the playlist).
    QString streamPath() const;
    // The loaded stream's container as mpv names it ("mp3", "aac", "ogg", "mpegts", ...).
    QByteArray fileFormat() const { return m_fileFormat; }
    // Ends the core for good. aboutToTerminate() comes first, so a render context can go
    // before the core it draws from.
    void terminate();

    // For the video surface's render context only; null once terminated.
    mpv_handle* handle() const { return m_mpv; }

Q_SIGNALS:
    void fileLoaded(qint64 entry);
    // A playlist entry ended; with TryEnd::Reason::Redirect its entries follow from
    // firstInserted on.
    void fileEnded(qint64 entry, const kelvane::TryEnd& end, qint64 firstInserted,
                   int insertedCount);
    void icyTitleChanged(const QByteArray& raw);
    void icyNameChanged(const QByteArray& raw);
    void pausedChanged(bool paused);
    void bufferingChanged(bool buffering);
    void idleChanged(bool idle);
    // The media position, in whole seconds, as it changes.
    void positionChanged(double seconds);
    void aboutToTerminate();

private:
    void setFlag(const char* name, bool on);
    void drain();
    void dispatch(const mpv_event& event);
    void noteLogLine(const QByteArray& text);
    void releaseHeldEnd();

    struct HeldEnd
    {
        qint64 entry;
        TryEnd end;
        qint64 firstInserted;
        int insertedCount;
        int mpvError;
    };

    mpv_handle* m_mpv = nullptr;
    int m_networkTimeoutS = 60;
    QList<QByteArray> m_refused;
    // What is known of the current file, kept until its end is reported.
    qint64 m_currentEntry = -1;
    Failure m_failure; // from mpv's log lines since the last load
    QElapsedTimer m_sinceLoad;
    qint64 m_unloadBytes = -1;
    qint64 m_unloadLength = -1;
    double m_loadDuration = -1;
    bool m_lengthIsTheMedia = true; // false for segmented formats (HLS, DASH)
    bool m_exactDuration = false;   // the duration comes from the media, not from its length
    std::optional<HeldEnd> m_heldEnd;
    QByteArray m_fileFormat;
};

} // namespace kelvane
