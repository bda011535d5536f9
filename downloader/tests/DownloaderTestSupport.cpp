#include "downloader/tests/DownloaderTestSupport.h"

#include "tests/support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace kelvane::test {

EventLog::EventLog(FileDownloader* downloader)
{
    QObject::connect(downloader, &FileDownloader::DownloadErrors, [this](QString text) {
        entries.append(QStringLiteral("Errors: ") + text);
        if (onError)
            onError(text);
    });
    QObject::connect(downloader, &FileDownloader::DownloadEvents, [this](QString text) {
        entries.append(QStringLiteral("Events: ") + text);
        if (onEvent)
            onEvent(text);
    });
    QObject::connect(downloader, &FileDownloader::DowloadComplete, [this] {
        entries.append(QStringLiteral("Complete"));
        if (onComplete)
            onComplete();
    });
    QObject::connect(downloader, &FileDownloader::DownloadProgress, [this](QString percent) {
        entries.append(QStringLiteral("Progress: ") + percent);
        if (onProgress)
            onProgress(percent);
    });
}

QStringList EventLog::errors() const
{
    QStringList out;
    for (const QString& e : entries)
        if (e.startsWith(QStringLiteral("Errors: ")))
            out.append(e.mid(8));
    return out;
}

QStringList EventLog::progress() const
{
    QStringList out;
    for (const QString& e : entries)
        if (e.startsWith(QStringLiteral("Progress: ")))
            out.append(e.mid(10));
    return out;
}

void DownloaderTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    server = std::make_unique<HttpTestServer>();
    downloader = new FileDownloader;
    downloader->setConnectTimeout(kConnectTimeoutMs);
    downloader->setInactivityTimeout(kInactivityTimeoutMs);
    log = std::make_unique<EventLog>(downloader);
}

void DownloaderTest::TearDown()
{
    delete downloader.data();
    log.reset();
    server.reset();
    flushEvents();
}

bool DownloaderTest::download(const QString& path, const QString& destination, const QString& user,
                              const QString& password)
{
    QElapsedTimer clock;
    clock.start();
    const bool result = downloader->DownloadFile(server->url(path), destination, user, password);
    elapsedMs = clock.elapsed();
    return result;
}

QStringList DownloaderTest::folderEntries(const QString& folder) const
{
    return QDir(folder.isEmpty() ? dir.path() : folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
}

QString DownloaderTest::dest(const QString& name) const
{
    return dir.filePath(name);
}

QByteArray patternBody(qsizetype n)
{
    QByteArray out(n, '\0');
    quint32 x = 2463534242u;
    for (qsizetype i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x & 0xff);
    }
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool fileExists(const QString& path)
{
    return QFileInfo::exists(path);
}

QByteArray answer(const QByteArray& statusLine, const QList<QByteArray>& headers,
                  const QByteArray& body)
{
    QByteArray out = statusLine + "\r\n";
    for (const QByteArray& h : headers)
        out += h + "\r\n";
    return out + "\r\n" + body;
}

QStringList progressEntries(const QStringList& percents)
{
    QStringList out;
    for (const QString& p : percents)
        out.append(QStringLiteral("Progress: ") + p);
    return out;
}

QStringList expectedPercents(qint64 n)
{
    QStringList out;
    qint64 received = 0;
    qint64 last = 0;
    do {
        last = std::min<qint64>(1024, n - received);
        received += last;
        out.append(QString::number(static_cast<qint64>(
            std::nearbyint(static_cast<double>(received) / static_cast<double>(n) * 100.0))));
    } while (last > 1);
    return out;
}

} // namespace kelvane::test
