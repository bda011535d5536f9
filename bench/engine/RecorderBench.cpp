// Resident memory while the recorder writes a long 128 kbit/s stream, served over loopback as
// fast as it is read (30 minutes of audio by default), and the file's size on disk as it grows.
// Usage: recorder_bench [minutes] [remux]   ("remux" copies through libavformat instead)
// Or, to record another server's stream (icecast2, a real station) for a while into a file:
//   recorder_bench <address> <seconds> <file> [format]
#include "engine/StreamRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace kelvane;

namespace {

constexpr qint64 kBytesPerSecond = 16000; // 128 kbit/s
constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kBacklog = 256 * 1024; // the server never queues more than this

double residentMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// Sends the source in a loop until total bytes are out, as fast as the reader takes them.
void serve(QTcpSocket* socket, const QByteArray& source, qint64 total)
{
    auto sent = std::make_shared<qint64>(0);
    auto pump = [socket, source, total, sent] {
        while (*sent < total && socket->bytesToWrite() < kBacklog) {
            const qint64 at = *sent % source.size();
            const QByteArray piece =
                source.mid(at, std::min({kChunk, total - *sent, source.size() - at}));
            socket->write(piece);
            *sent += piece.size();
        }
        if (*sent >= total && socket->bytesToWrite() == 0)
            socket->disconnectFromHost();
    };
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, pump] {
        if (!socket->readAll().contains("\r\n\r\n"))
            return;
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-br: 128\r\n\r\n");
        pump();
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool external = argc > 3 && QByteArray(argv[1]).startsWith("http");
    const int minutes = argc > 1 && !external ? std::max(1, atoi(argv[1])) : 30;
    const bool remux = argc > 2 && QByteArray(argv[2]) == "remux";
    const QString format = external && argc > 4 ? QString::fromLocal8Bit(argv[4])
                           : remux              ? QStringLiteral("mpegts")
                                                : QStringLiteral("mp3");
    QTemporaryDir dir;
    const QString tone = dir.filePath(QStringLiteral("tone.mp3"));
    if (QProcess::execute(QStringLiteral("ffmpeg"),
                          {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                           "sine=frequency=440:duration=60", "-c:a", "libmp3lame", "-b:a", "128k",
                           tone}) != 0) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    QFile toneFile(tone);
    toneFile.open(QIODevice::ReadOnly);
    const QByteArray source = toneFile.readAll();
    const qint64 total = minutes * 60 * kBytesPerSecond;

    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket* s = server.nextPendingConnection())
            serve(s, source, total);
    });

    StreamRecorder recorder;
    const QString path =
        external ? QString::fromLocal8Bit(argv[3])
                 : dir.filePath(remux ? QStringLiteral("rec.ts") : QStringLiteral("rec.mp3"));
    if (external)
        QTimer::singleShot(atoi(argv[2]) * 1000, &recorder, &StreamRecorder::stop);
    double baseline = -1, peak = 0;
    const double before = residentMiB();
    qint64 lastSize = 0;
    int samples = 0, grew = 0, behind = 0;
    QElapsedTimer clock;
    QTimer sampler;
    sampler.setInterval(10);
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        const qint64 written = recorder.bytesWritten();
        // The baseline once the first megabyte is through: buffers and libraries are in place.
        if (baseline < 0 && written > 1024 * 1024)
            baseline = residentMiB();
        peak = std::max(peak, residentMiB());
        const qint64 size = QFileInfo(path).size();
        ++samples;
        grew += size > lastSize ? 1 : 0;
        // Bytes counted as written but not on disk: what the recorder holds back.
        behind = std::max<int>(behind, int(written - size));
        lastSize = size;
    });
    QObject::connect(&recorder, &StreamRecorder::started, &app, [&] {
        clock.start();
        sampler.start();
    });
    QObject::connect(&recorder, &StreamRecorder::stopped, &app,
                     [&](const QString&, qint64 bytes, double seconds) {
                         sampler.stop();
                         const double end = residentMiB();
                         if (baseline < 0) // less than a MiB recorded
                             baseline = before;
                         std::printf("%s: %.2f min of audio (%lld bytes, file %lld) in %.1f s\n",
                                     StreamRecorder::kindOf(format) == StreamRecorder::Kind::Remux
                                         ? "remux"
                                         : "plain",
                                     seconds / 60, qint64(bytes), QFileInfo(path).size(),
                                     clock.elapsed() / 1000.0);
                         std::printf("resident: before %.1f MiB, after the first MiB %.1f MiB, "
                                     "peak %.1f MiB, end %.1f MiB; growth %.1f MiB from the first "
                                     "MiB, %.1f MiB from before\n",
                                     before, baseline, peak, end, peak - baseline, peak - before);
                         std::printf("file on disk grew in %d of %d samples (10 ms apart); "
                                     "most held back from disk: %d bytes\n",
                                     grew, samples, behind);
                         app.exit(0);
                     });
    QObject::connect(&recorder, &StreamRecorder::failed, &app,
                     [&](const QString&, const QString& reason) {
                         std::fprintf(stderr, "failed: %s\n", qPrintable(reason));
                         app.exit(1);
                     });
    const QUrl url =
        external ? QUrl(QString::fromLocal8Bit(argv[1]))
                 : QUrl(QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(server.serverPort()));
    recorder.start(url, path, QStringLiteral("Bench"), QDateTime::currentDateTime(), format);
    return app.exec();
}
