#pragma once

#include "downloader/FileDownloader.h"
#include "tests/support/HttpTestServer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Readable texts in failure messages (CR and LF shown as escapes).
inline void PrintTo(const QString& text, std::ostream* out)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    *out << '"' << shown.toStdString() << '"';
}

namespace kelvane::test {

// Everything a host hears from one control, in order, as "Errors: …", "Events: …",
// "Progress: …" and "Complete". Hooks run inside the signal, as a host's handlers would.
class EventLog
{
public:
    explicit EventLog(FileDownloader* downloader);

    QStringList entries;
    QStringList errors() const;
    QStringList progress() const;
    int completions() const { return static_cast<int>(entries.count(QStringLiteral("Complete"))); }

    std::function<void(const QString&)> onError;
    std::function<void(const QString&)> onEvent;
    std::function<void()> onComplete;
    std::function<void(const QString&)> onProgress;
};

// Fixture: a loopback server, a folder for destinations and a control with short time-outs.
class DownloaderTest : public ::testing::Test
{
protected:
    static constexpr int kConnectTimeoutMs = 1500;
    static constexpr int kInactivityTimeoutMs = 800;

    void SetUp() override;
    void TearDown() override;

    // Runs DownloadFile and times it.
    bool download(const QString& path, const QString& destination, const QString& user = {},
                  const QString& password = {});
    // The destination folder's entries, hidden ones included (temporary files would be there).
    QStringList folderEntries(const QString& folder = {}) const;
    QString dest(const QString& name = QStringLiteral("list.dat")) const;

    std::unique_ptr<HttpTestServer> server;
    QTemporaryDir dir;
    QPointer<FileDownloader> downloader;
    std::unique_ptr<EventLog> log;
    qint64 elapsedMs = 0;
};

// A body of n bytes that is not the same at any two 1 KiB offsets.
QByteArray patternBody(qsizetype n);
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
bool fileExists(const QString& path);
// An answer with the given status line, headers and body, as HttpTestServer sends it.
QByteArray answer(const QByteArray& statusLine, const QList<QByteArray>& headers,
                  const QByteArray& body = {});
// "Progress: p" for each p.
QStringList progressEntries(const QStringList& percents);
// The progress texts for a body of n bytes with Content-Length n (with the extra
// final event unless the last piece holds exactly one byte).
QStringList expectedPercents(qint64 n);

// A destination that already holds a station list, which a failed or cancelled transfer must
// leave exactly as it was.
class ExistingListTest : public DownloaderTest
{
protected:
    void SetUp() override
    {
        DownloaderTest::SetUp();
        ASSERT_TRUE(writeFile(dest(), kOld));
    }
    void expectDestinationUntouched()
    {
        EXPECT_EQ(readFile(dest()), kOld);
        EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("list.dat")});
    }
    const QByteArray kOld = "old station list\r\n";
};

} // namespace kelvane::test
