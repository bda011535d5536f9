#pragma once

#include <QPixmap>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace kelvane {

namespace downloader {
class Inet;
}

// The download control: fetches one HTTP resource into one local file with one GET.
// DownloadFile runs the whole transfer and returns when it has ended; the four signals below are
// delivered synchronously from inside it, on the caller's thread, and the host's handlers
// (message boxes included) run inside the call, as do the events handled at its message pumps.
// A handler may call Cancel; the running transfer sees it at its next check.
//
// The control is a widget of a fixed 68 × 63 pixels (1020 × 945 twips) that is never shown at
// run time; its design face is a briefcase (designFace()).
//
// A station list is never lost to a failed transfer: the destination is written through a
// temporary file beside it and replaced only by a complete transfer. The result is true only when
// the file was received in full; a body without a usable Content-Length is read to its end; a
// second DownloadFile while a transfer runs returns false at once; the control may be destroyed
// by a handler while a transfer waits.
class FileDownloader : public QWidget
{
    Q_OBJECT
    // Waiting is bounded: no connection or answer within connectTimeout ends the transfer with
    // "Cannot establish connection."; a body that stops arriving for inactivityTimeout ends as a
    // short body. Milliseconds; 0 waits without bound.
    Q_PROPERTY(int connectTimeout READ connectTimeout WRITE setConnectTimeout)
    Q_PROPERTY(int inactivityTimeout READ inactivityTimeout WRITE setInactivityTimeout)

public:
    static constexpr int kWidthTwips = 1020;
    static constexpr int kHeightTwips = 945;

    // Free bytes of the file system that holds a folder (an absolute path, maybe not existing
    // yet), in double precision.
    using FreeSpaceQuery = std::function<double(const QString& folder)>;

    explicit FileDownloader(QWidget* parent = nullptr);
    ~FileDownloader() override;

    // Runs one whole transfer of strURL into strDestination (a path with at least one "/"; the
    // folder part is made one level deep when missing). True when the file was received in full.
    // Returns false at once, raising nothing, while an earlier call still runs.
    bool DownloadFile(const QString& strURL, const QString& strDestination,
                      const QString& UserName = {}, const QString& Password = {});
    // Sets the cancel flag and returns at once; a wait in progress ends at once.
    void Cancel();

    bool isTransferring() const { return m_transferring; }

    int connectTimeout() const;
    void setConnectTimeout(int ms);
    int inactivityTimeout() const;
    void setInactivityTimeout(int ms);

    // Replaces the free-space query (the file system's own by default).
    void setFreeSpaceQuery(FreeSpaceQuery query);

    // 68 × 63 pixels, whatever a host asks for.
    static QSize fixedPixelSize();
    // The design face: a 68 × 63 pixel picture of a brown briefcase.
    static QPixmap designFace();

    // The control shows only in design mode (a form designer); at run time it stays hidden
    // whatever a host asks.
    void setDesignMode(bool on);
    bool designMode() const { return m_designMode; }
    void setVisible(bool visible) override;

Q_SIGNALS:
    void DownloadErrors(QString strError);
    void DownloadEvents(QString strEvent);
    void DowloadComplete();
    void DownloadProgress(QString intPercent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool transfer(const QString& strURL, const QString& strDestination, const QString& UserName,
                  const QString& Password);

    downloader::Inet* m_inet = nullptr;
    QLabel* m_image = nullptr;
    FreeSpaceQuery m_freeSpace;
    bool m_cancel = false;
    bool m_transferring = false;
    bool m_designMode = false;
};

} // namespace kelvane
