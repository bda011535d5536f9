#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace kelvane {

namespace net {
class Fetch;
}

// Records one station's stream to a file as it is received, so that a recording is never lost
// and memory stays flat whatever its length.
// - Plain audio streams (MP3, AAC, Ogg, FLAC over HTTP): a second fetch of the same address
//   without ICY metadata, its bytes written straight to the file (an MP3 gets an ID3 title tag
//   first).
// - Anything else (HLS, MPEG-TS, other containers): the packets copied into the container the
//   file's extension names, on a worker thread, with title and date tags.
// Every recording ends with exactly one of stopped() (stop(), or the source ended: what was
// received is kept and playable) or failed() (the file could not be created or written, or the
// source could not be opened at all; a file with nothing in it is removed).
class StreamRecorder : public QObject
{
    Q_OBJECT
public:
    enum class Kind
    {
        Plain,
        Remux
    };
    // From the stream's format name as mpv reports it ("mp3", "aac", "ogg", "hls", ...).
    static Kind kindOf(const QString& formatName);
    // The recording's title tag: "<station> <yyyy-MM-dd HH:mm:ss>".
    static QString titleOf(const QString& stationName, const QDateTime& startTime);
    // The most a stop() waits for the worker to finish the file before it returns; a worker that
    // takes longer ends on its own and stopped() follows then.
    static constexpr int kStopWaitMs = 1000;

    explicit StreamRecorder(QObject* parent = nullptr);
    ~StreamRecorder() override;

    // Records url into path (created, or emptied when it exists: see createRecordingFile). A
    // recording still running is stopped first. Outcomes come as signals, never from inside.
    void start(const QUrl& url, const QString& path, const QString& stationName,
               const QDateTime& startTime, const QString& formatName);
    // Ends the recording; stopped() is emitted before this returns, unless the worker is still
    // finishing the file after kStopWaitMs (then when it has).
    void stop();

    bool isRecording() const { return m_active; }
    QString path() const { return m_path; }
    qint64 bytesWritten() const;
    qint64 elapsedMs() const { return m_active ? m_clock.elapsed() : 0; }

Q_SIGNALS:
    void started(const QString& path);
    // seconds: the media time recorded (for plain streams, as the stream's bit rate tells, else the
    // time the recording ran).
    void stopped(const QString& path, qint64 bytes, double seconds);
    void failed(const QString& path, const QString& reason);

private:
    struct Job;

    void onHeaders();
    void onData();
    void onFetchFinished();
    bool writeAll(const QByteArray& bytes);
    void startRemux(const QUrl& url, const QString& extension, const QString& stationName,
                    const QDateTime& startTime);
    void onRemuxDone(quint64 generation);
    void end(bool ok, QString reason, double seconds);
    double plainSeconds() const;

    bool m_active = false;
    bool m_startedSent = false;
    Kind m_kind = Kind::Plain;
    quint64 m_generation = 0;
    QString m_path;
    QElapsedTimer m_clock;
    // Plain streams.
    net::Fetch* m_fetch = nullptr;
    int m_fd = -1;
    bool m_isMp3 = false;
    bool m_isAdts = false;
    QByteArray m_tag;        // written once the server has answered
    qint64 m_bytes = 0;      // bytes in the file
    qint64 m_audioBytes = 0; // of which the stream's
    int m_bitRateKbps = 0;   // as the server states it (icy-br), 0 unknown
    // The remux worker.
    std::shared_ptr<Job> m_job;
};

} // namespace kelvane
