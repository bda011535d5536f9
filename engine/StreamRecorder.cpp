#include "engine/StreamRecorder.h"

#include "engine/RecordingName.h"
#include "engine/Remux.h"
#include "net/Fetch.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kelvane {

namespace {

// An ID3v2.3 tag (the version every player reads) with the title, the station as the artist and
// the start time; texts in UTF-16 with a byte order mark.
QByteArray id3Tag(const QString& title, const QString& station, const QDateTime& start)
{
    auto frame = [](const char* id, const QString& text) -> QByteArray {
        QByteArray body("\x01\xff\xfe", 3);
        for (const QChar c : text) {
            body += char(c.unicode() & 0xff);
            body += char(c.unicode() >> 8);
        }
        QByteArray out(id, 4);
        const quint32 n = quint32(body.size());
        out += char(n >> 24);
        out += char(n >> 16);
        out += char(n >> 8);
        out += char(n);
        out += QByteArray(2, '\0'); // flags
        return out + body;
    };
    const QByteArray frames = frame("TIT2", title) + frame("TPE1", station) +
                              frame("TYER", start.toString(QStringLiteral("yyyy"))) +
                              frame("TDAT", start.toString(QStringLiteral("ddMM"))) +
                              frame("TIME", start.toString(QStringLiteral("HHmm")));
    QByteArray tag("ID3\x03\x00\x00", 6);
    const quint32 n = quint32(frames.size()); // sizes in the header are "syncsafe": 7 bits a byte
    for (int shift : {21, 14, 7, 0})
        tag += char((n >> shift) & 0x7f);
    return tag + frames;
}

// The MP3 frame whose header starts at i: its length in bytes and bit rate; 0 when none is there.
int mp3Frame(const QByteArray& bytes, qsizetype i, int* kbpsOut = nullptr)
{
    static const int v1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int v2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[4] = {44100, 48000, 32000, 0};
    if (i < 0 || i + 4 > bytes.size())
        return 0;
    const auto b1 = quint8(bytes[i + 1]);
    const auto b2 = quint8(bytes[i + 2]);
    if (quint8(bytes[i]) != 0xff || (b1 & 0xe0) != 0xe0)
        return 0;
    const int version = (b1 >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = (b1 >> 1) & 3;   // 1 Layer III
    const int kbps = version == 3 ? v1[b2 >> 4] : v2[b2 >> 4];
    int rate = rates[(b2 >> 2) & 3];
    if (version == 1 || layer != 1 || kbps == 0 || rate == 0)
        return 0;
    rate >>= version == 3 ? 0 : version == 2 ? 1 : 2;
    if (kbpsOut != nullptr)
        *kbpsOut = kbps;
    return (version == 3 ? 144 : 72) * kbps * 1000 / rate + ((b2 >> 1) & 1);
}

// The ADTS (AAC) frame whose header starts at i: its length in bytes; 0 when none is there.
int adtsFrame(const QByteArray& bytes, qsizetype i, int* = nullptr)
{
    if (i < 0 || i + 7 > bytes.size())
        return 0;
    const auto b = [&bytes, i](int k) { return int(quint8(bytes[i + k])); };
    if (b(0) != 0xff || (b(1) & 0xf6) != 0xf0)
        return 0;
    const int length = ((b(3) & 3) << 11) | (b(4) << 3) | (b(5) >> 5);
    return length >= 7 ? length : 0;
}

using FrameReader = int (*)(const QByteArray&, qsizetype, int*);

// Where a run of three frames starts, each right after the other; -1 when none is seen.
qsizetype firstFrameRun(const QByteArray& bytes, FrameReader frame)
{
    for (qsizetype i = 0; i + 4 <= bytes.size(); ++i) {
        const int a = frame(bytes, i, nullptr);
        const int b = a > 0 ? frame(bytes, i + a, nullptr) : 0;
        if (b > 0 && frame(bytes, i + a + b, nullptr) > 0)
            return i;
    }
    return -1;
}

// The bit rate of the first MP3 frames, in kbit/s; 0 when none are seen.
int mp3BitRate(const QByteArray& bytes)
{
    const qsizetype at = firstFrameRun(bytes, &mp3Frame);
    int kbps = 0;
    if (at >= 0)
        mp3Frame(bytes, at, &kbps);
    return kbps;
}

// A recording stopped in the middle of a frame ends with a part of it, which decoders complain
// about: the file is cut back to its last whole frame. Returns the file's size.
qint64 dropPartialFrame(int fd, FrameReader frame)
{
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return -1;
    const qint64 size = info.st_size;
    const qint64 from = std::max<qint64>(0, size - 16 * 1024);
    QByteArray tail(size - from, Qt::Uninitialized);
    if (::pread(fd, tail.data(), size_t(tail.size()), off_t(from)) != ssize_t(tail.size()))
        return size;
    qsizetype at = firstFrameRun(tail, frame);
    if (at < 0)
        return size;
    for (int length = frame(tail, at, nullptr); length > 0 && at + length <= tail.size();
         length = frame(tail, at, nullptr))
        at += length;
    // Cut only before a frame that runs past the end, or a header itself cut short.
    const bool partial = at < tail.size() && (frame(tail, at, nullptr) > 0 || tail.size() - at < 7);
    return partial && ::ftruncate(fd, off_t(from + at)) == 0 ? from + at : size;
}

} // namespace

// What the GUI thread and the remux worker share; the worker keeps it alive while it runs.
struct StreamRecorder::Job
{
    Job(const QUrl& url, const QString& path, const QString& extension, const QString& title,
        const QString& date)
        : remux(url.toString(QUrl::FullyEncoded), path, extension, title, date)
    {}
    Remux remux;
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    Remux::Result result;
    StreamRecorder* owner = nullptr; // cleared when the recorder lets go; guarded by mutex
};

StreamRecorder::Kind StreamRecorder::kindOf(const QString& formatName)
{
    const QString f = formatName.section(u',', 0, 0).trimmed().toLower();
    for (const char* plain : {"mp3", "aac", "ogg", "flac"}) {
        if (f == QLatin1String(plain))
            return Kind::Plain;
    }
    return Kind::Remux;
}

QString StreamRecorder::titleOf(const QString& stationName, const QDateTime& startTime)
{
    const QString name =
        stationName.trimmed().isEmpty() ? QStringLiteral("Kelvane") : stationName.trimmed();
    return name + u' ' + startTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

StreamRecorder::StreamRecorder(QObject* parent) : QObject(parent) {}

StreamRecorder::~StreamRecorder()
{
    if (m_fetch != nullptr)
        m_fetch->abort();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_job) {
        m_job->remux.requestStop();
        std::unique_lock lock(m_job->mutex);
        m_job->doneChanged.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                    [&] { return m_job->done; });
        m_job->owner = nullptr; // a worker still busy finishes the file on its own
    }
}

qint64 StreamRecorder::bytesWritten() const
{
    return m_job ? m_job->remux.bytesWritten() : m_bytes;
}

void StreamRecorder::start(const QUrl& url, const QString& path, const QString& stationName,
                           const QDateTime& startTime, const QString& formatName)
{
    stop();
    if (m_job) { // the last one still finishes its file: let it, on its own
        m_bytes = m_job->remux.bytesWritten();
        {
            std::lock_guard lock(m_job->mutex);
            m_job->owner = nullptr;
        }
        m_job.reset();
        end(true, {}, 0);
    }
    ++m_generation;
    m_active = true;
    m_startedSent = false;
    m_path = path;
    m_bytes = m_audioBytes = 0;
    m_bitRateKbps = 0;
    m_clock.start();
    m_kind = kindOf(formatName);
    if (m_kind == Kind::Remux) {
        // The container follows the file's extension, or the stream's format without one.
        QString extension = QFileInfo(path).suffix().toLower();
        if (extension.isEmpty())
            extension = recordingExtension(formatName);
        startRemux(url, extension, stationName, startTime);
        return;
    }
    // Read too: a partial frame at the end is looked for when the recording ends.
    m_fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        const QString reason = fileErrorText(errno);
        QMetaObject::invokeMethod(
            this,
            [this, generation = m_generation, reason] {
                if (generation == m_generation && m_active)
                    end(false, reason, 0);
            },
            Qt::QueuedConnection);
        return;
    }
    const QString format = formatName.section(u',', 0, 0).trimmed().toLower();
    m_isMp3 = format == u"mp3";
    m_isAdts = format == u"aac";
    m_tag = m_isMp3 ? id3Tag(titleOf(stationName, startTime), stationName.trimmed(), startTime)
                    : QByteArray();
    m_fetch = new net::Fetch(this);
    connect(m_fetch, &net::Fetch::headersReceived, this, &StreamRecorder::onHeaders);
    connect(m_fetch, &net::Fetch::readyRead, this, &StreamRecorder::onData);
    connect(m_fetch, &net::Fetch::finished, this, &StreamRecorder::onFetchFinished);
    net::Limits limits;
    limits.silenceMs = 30000;
    // No "Icy-MetaData: 1": the server then sends the stream's own bytes, nothing between them.
    m_fetch->start(url, limits);
}

void StreamRecorder::onHeaders()
{
    if (m_fetch->status() < 200 || m_fetch->status() >= 300) {
        end(false, QStringLiteral("电台拒绝了录音连接（HTTP %1）").arg(m_fetch->status()), 0);
        return;
    }
    m_bitRateKbps = m_fetch->header("icy-br").split(',').value(0).trimmed().toInt();
    if (!m_tag.isEmpty() && !writeAll(m_tag))
        return;
    m_tag.clear();
    m_startedSent = true;
    Q_EMIT started(m_path);
}

void StreamRecorder::onData()
{
    if (m_fetch == nullptr || !m_startedSent)
        return;
    const QByteArray bytes = m_fetch->readAll();
    if (m_bitRateKbps == 0 && m_audioBytes == 0 && m_isMp3)
        m_bitRateKbps = mp3BitRate(bytes);
    if (writeAll(bytes))
        m_audioBytes += bytes.size();
}

bool StreamRecorder::writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            end(false, fileErrorText(n < 0 ? errno : ENOSPC), 0);
            return false;
        }
        done += n;
        m_bytes += n;
    }
    return true;
}

void StreamRecorder::onFetchFinished()
{
    if (m_fetch == nullptr)
        return;
    if (!m_startedSent) {
        end(false,
            QStringLiteral("无法连接电台：%1")
                .arg(m_fetch->errorString().isEmpty() ? QStringLiteral("没有回答")
                                                      : m_fetch->errorString()),
            0);
        return;
    }
    onData();
    if (m_active) // the source ended, dropped or fell silent: what came is kept
        end(true, {}, plainSeconds());
}

double StreamRecorder::plainSeconds() const
{
    if (m_bitRateKbps > 0)
        return double(m_audioBytes) * 8 / (m_bitRateKbps * 1000.0);
    return m_clock.elapsed() / 1000.0;
}

void StreamRecorder::startRemux(const QUrl& url, const QString& extension,
                                const QString& stationName, const QDateTime& startTime)
{
    m_job = std::make_shared<Job>(url, m_path, extension, titleOf(stationName, startTime),
                                  startTime.toString(Qt::ISODate));
    m_job->owner = this;
    Job* job = m_job.get();
    const quint64 generation = m_generation;
    job->remux.onOpened = [job, generation] {
        std::lock_guard lock(job->mutex);
        if (StreamRecorder* owner = job->owner) {
            QMetaObject::invokeMethod(
                owner,
                [owner, generation] {
                    if (generation == owner->m_generation && owner->m_active &&
                        !owner->m_startedSent) {
                        owner->m_startedSent = true;
                        Q_EMIT owner->started(owner->m_path);
                    }
                },
                Qt::QueuedConnection);
        }
    };
    std::thread([shared = m_job, generation] {
        const Remux::Result result = shared->remux.run();
        std::lock_guard lock(shared->mutex);
        shared->result = result;
        shared->done = true;
        shared->doneChanged.notify_all();
        if (StreamRecorder* owner = shared->owner) {
            QMetaObject::invokeMethod(
                owner, [owner, generation] { owner->onRemuxDone(generation); },
                Qt::QueuedConnection);
        }
    }).detach();
}

void StreamRecorder::onRemuxDone(quint64 generation)
{
    if (generation != m_generation || !m_job)
        return;
    Remux::Result result;
    {
        std::lock_guard lock(m_job->mutex);
        if (!m_job->done)
            return;
        result = m_job->result;
        m_job->owner = nullptr;
    }
    m_bytes = m_job->remux.bytesWritten();
    m_job.reset();
    if (result.ok && !m_startedSent && result.opened) {
        m_startedSent = true;
        Q_EMIT started(m_path);
    }
    end(result.ok, result.reason, result.seconds);
}

void StreamRecorder::stop()
{
    if (!m_active)
        return;
    if (m_kind == Kind::Plain) {
        if (m_fetch != nullptr)
            onData(); // what has come is kept
        if (m_active)
            end(true, {}, plainSeconds());
        return;
    }
    if (!m_job)
        return;
    m_job->remux.requestStop();
    bool done = false;
    {
        std::unique_lock lock(m_job->mutex);
        done = m_job->doneChanged.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                           [&] { return m_job->done; });
    }
    if (done)
        onRemuxDone(m_generation);
}

void StreamRecorder::end(bool ok, QString reason, double seconds)
{
    if (!m_active)
        return;
    m_active = false;
    ++m_generation;
    if (m_fetch != nullptr) {
        m_fetch->abort();
        m_fetch->deleteLater(); // possibly inside its own signal
        m_fetch = nullptr;
    }
    const bool nothing = m_kind == Kind::Plain ? m_audioBytes == 0 : m_bytes == 0;
    if (m_fd >= 0) {
        if (m_isMp3 || m_isAdts) {
            const qint64 size = dropPartialFrame(m_fd, m_isMp3 ? &mp3Frame : &adtsFrame);
            if (size >= 0)
                m_bytes = size;
        }
        if (::close(m_fd) != 0 && ok) { // a late write error (a network file system) says so
            ok = false;
            reason = fileErrorText(errno);
        }
        m_fd = -1;
    }
    struct stat info = {};
    const QByteArray name = QFile::encodeName(m_path);
    // A file with nothing of the stream in it is of no use (never a device such as /dev/full).
    if (nothing && !ok && ::stat(name.constData(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(name.constData());
    if (ok)
        Q_EMIT stopped(m_path, m_bytes, seconds);
    else
        Q_EMIT failed(m_path, reason);
}

} // namespace kelvane
