#include "downloader/FileDownloader.h"

#include "downloader/DestinationFile.h"
#include "downloader/Inet.h"
#include "downloader/TransferRules.h"
#include "platform/Twips.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPainter>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <sys/stat.h>

namespace kelvane {

using namespace downloader;

namespace {

constexpr int kChunkSize = 1024;

// The message pump: handles the window messages that are waiting, then returns.
// How often the window's messages are handled while body pieces come in back to back.
constexpr qint64 kPumpIntervalMs = 4;

void pumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// When no directory entry of the folder's name exists, make that folder (one level).
void makeFolderOf(const QString& destination)
{
    const QString folder = folderPart(destination);
    if (folder.isEmpty())
        return;
    const QByteArray native = QFile::encodeName(folder);
    struct stat st
    {};
    if (::stat(native.constData(), &st) == 0)
        return;
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST)
        throw TransferError::fromErrno(errno);
}

} // namespace

FileDownloader::FileDownloader(QWidget* parent)
    : QWidget(parent), m_inet(new Inet(this)), m_freeSpace(&freeBytesFor)
{
    setFixedSize(fixedPixelSize());
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setGeometry(0, 0, width(), height());
    m_image->setPixmap(designFace());
    // Never shown at run time: hidden before any host shows its window.
    hide();
}

FileDownloader::~FileDownloader() = default;

QSize FileDownloader::fixedPixelSize()
{
    return {twipsToPixelsRounded(kWidthTwips), twipsToPixelsRounded(kHeightTwips)};
}

QPixmap FileDownloader::designFace()
{
    return QPixmap(QStringLiteral(":/kelvane/downloader/briefcase.jpg"));
}

void FileDownloader::setDesignMode(bool on)
{
    m_designMode = on;
    if (!on)
        hide();
}

void FileDownloader::setVisible(bool visible)
{
    QWidget::setVisible(visible && m_designMode);
}

void FileDownloader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), designFace());
}

int FileDownloader::connectTimeout() const
{
    return m_inet->connectTimeoutMs();
}

void FileDownloader::setConnectTimeout(int ms)
{
    m_inet->setConnectTimeoutMs(ms);
}

int FileDownloader::inactivityTimeout() const
{
    return m_inet->inactivityTimeoutMs();
}

void FileDownloader::setInactivityTimeout(int ms)
{
    m_inet->setInactivityTimeoutMs(ms);
}

void FileDownloader::setFreeSpaceQuery(FreeSpaceQuery query)
{
    m_freeSpace = query ? std::move(query) : FreeSpaceQuery(&freeBytesFor);
}

void FileDownloader::Cancel()
{
    m_cancel = true;
    if (m_transferring)
        m_inet->interrupt();
}

bool FileDownloader::DownloadFile(const QString& strURL, const QString& strDestination,
                                  const QString& UserName, const QString& Password)
{
    if (m_transferring)
        return false;
    m_transferring = true;
    QPointer<FileDownloader> self(this);
    const bool result = transfer(strURL, strDestination, UserName, Password);
    if (self)
        m_transferring = false;
    return result;
}

// The body of DownloadFile. The control may be destroyed by any handler that runs inside this
// call (signals, pumps, waits): after each of them nothing of the control is touched again once
// `self` is gone.
bool FileDownloader::transfer(const QString& strURL, const QString& strDestination,
                              const QString& UserName, const QString& Password)
{
    QPointer<FileDownloader> self(this);

    enum class Stage
    {
        Before, // no body: refused, failed, cancelled while waiting
        NoBody, // Content-Length 0: complete with nothing written
        Body    // the temporary file was opened
    };
    Stage stage = Stage::Before;
    std::int64_t received = 0;
    std::int32_t expected = 0;
    bool lengthKnown = true;
    std::int64_t bytesRead = 0;
    bool writeFailed = false;
    DestinationFile file; // removes its temporary file on every way out

    // Start: a status text, then the host gets a turn.
    m_cancel = false;
    Q_EMIT DownloadEvents(messages::gettingFileInformation());
    if (!self)
        return false;
    pumpMessages();
    if (!self)
        return false;

    bool toBody = false;
    std::optional<QString> stop;
    try { // failures from here on are reported as "Error: … occurred."
        // One GET for the whole resource.
        m_inet->setURL(strURL);
        m_inet->setUserName(UserName);
        m_inet->setPassword(Password);
        m_inet->Execute({}, QStringLiteral("GET"), {},
                        QStringLiteral("Range: bytes=") + QString::number(received) +
                            QStringLiteral("-\r\n"));
        // Wait for the answer: each pass sleeps until the request moves or the host acts (a
        // Cancel wakes it).
        bool cancelled = false;
        while (m_inet->StillExecuting()) {
            if (m_cancel) {
                cancelled = true;
                break;
            }
            m_inet->Wait(QEventLoop::AllEvents);
            if (!self)
                return false;
            if (m_cancel) {
                cancelled = true;
                break;
            }
        }
        if (!cancelled) {
            // Classify the answer by its status.
            if (m_inet->connectionFailed()) {
                stop = messages::cannotEstablishConnection();
            } else {
                const QString header = m_inet->GetHeader();
                stop = refusalFor(statusField(header), header, m_inet->URL());
            }
            if (!stop) {
                // How much is coming, and is there room for it.
                const std::optional<std::int32_t> total =
                    expectedTotalFrom(m_inet->GetHeader(QStringLiteral("Content-Length")));
                lengthKnown = total.has_value();
                expected = total.value_or(0);
                if (lengthKnown && expected == 0) {
                    stage = Stage::NoBody;
                } else if (lengthKnown && strDestination.startsWith(QLatin1Char('/')) &&
                           m_freeSpace(folderPart(strDestination)) <
                               static_cast<double>(expected)) {
                    stop = messages::notEnoughFreeSpace();
                } else {
                    toBody = true;
                }
            }
        }
    } catch (const TransferError& error) {
        stop = messages::failure(error);
        toBody = false;
    }
    if (stop) {
        Q_EMIT DownloadErrors(*stop);
        if (!self)
            return false;
        m_cancel = true;
    }

    if (toBody) {
        pumpMessages();
        if (!self)
            return false;
        received = 0;

        std::optional<TransferError> failure;
        try { // failures from here on are reported as "Cannot write file to disk."
            makeFolderOf(strDestination);
            file.open(strDestination);
            stage = Stage::Body;
            // The body, in whole 1024-byte pieces, each written, counted and reported.
            QByteArray chunk;
            QString percent;
            std::int64_t shown = -1; // the percentage `percent` holds
            QElapsedTimer pumped;
            pumped.start();
            int shownPieces = 0;
            do {
                chunk = m_inet->GetChunk(kChunkSize);
                if (!self)
                    return false;
                bytesRead += chunk.size();
                file.write(chunk);
                if (m_cancel)
                    break;
                received += chunk.size();
                // Without a length: 0 until the body has ended cleanly, then 100.
                const std::int64_t value =
                    lengthKnown ? percentOf(received, expected)
                                : (m_inet->atEnd() && m_inet->endedCleanly() ? 100 : 0);
                if (value != shown) { // the text changes about a hundred times a transfer
                    percent = QString::number(value);
                    shown = value;
                }
                Q_EMIT DownloadProgress(percent);
                if (!self)
                    return false;
                // The window's messages after the pieces: at the first and the last, and
                // otherwise every few milliseconds. One pump per 1024 bytes is a poll of every
                // source the loop has, and cost a fast transfer most of its speed.
                if (pumped.hasExpired(kPumpIntervalMs) || shownPieces++ == 0 ||
                    chunk.size() < kChunkSize) {
                    pumpMessages();
                    if (!self)
                        return false;
                    pumped.start();
                }
            } while (chunk.size() > 1);
            file.close();
        } catch (const TransferError& error) {
            failure = error;
        }
        if (failure) {
            writeFailed = true;
            file.discard();
            Q_EMIT DownloadErrors(messages::cannotWrite(*failure));
            if (!self)
                return false;
            m_cancel = true;
        }
    }

    // The end: complete, or the destination stays exactly as it was.
    bool complete = false;
    if (stage == Stage::NoBody)
        complete = true;
    else if (stage == Stage::Body && !writeFailed)
        complete = lengthKnown ? received == expected
                               : m_inet->atEnd() && m_inet->endedCleanly() && received == bytesRead;

    bool result = false;
    if (complete) {
        std::optional<TransferError> failure;
        if (stage == Stage::Body) {
            try {
                file.commit(); // the destination is replaced before DowloadComplete
            } catch (const TransferError& error) {
                failure = error;
            }
        }
        if (failure) {
            file.discard();
            if (!m_cancel) {
                Q_EMIT DownloadErrors(messages::cannotWrite(*failure));
                if (!self)
                    return false;
            }
            m_cancel = true;
        } else {
            result = true;
            if (!m_cancel) {
                Q_EMIT DowloadComplete();
                if (!self)
                    return true; // the file is in place
            }
        }
    } else {
        file.discard(); // the destination stays exactly as it was
        if (!file.wasOpened()) {
            m_cancel = true;
        } else if (!m_cancel) {
            Q_EMIT DownloadErrors(m_inet->tooLarge() ? messages::tooLarge()
                                                     : messages::connectionReset());
            if (!self)
                return false;
        }
    }
    m_inet->Cancel();
    return result;
}

} // namespace kelvane
