#pragma once

#include "downloader/TransferRules.h"

#include <QByteArray>
#include <QString>

namespace kelvane::downloader {

// The file a transfer writes: a temporary file beside the destination, moved over the
// destination only when the transfer is complete (commit). Until then the destination stays
// exactly as it was; a temporary file that is not committed is removed, at the latest when this
// object goes away. Every failure throws TransferError with the errno value and its description.
class DestinationFile
{
public:
    DestinationFile() = default;
    ~DestinationFile();
    DestinationFile(const DestinationFile&) = delete;
    DestinationFile& operator=(const DestinationFile&) = delete;

    // Creates the temporary file in the destination's folder (the working folder for a path
    // without "/"). A destination that is a directory is refused with EISDIR.
    void open(const QString& destination);
    bool isOpen() const { return m_fd >= 0; }
    bool wasOpened() const { return m_opened; }
    // The temporary file's path while it exists.
    const QString& temporaryPath() const { return m_tempPath; }

    void write(const QByteArray& bytes);
    // Writes what is buffered, syncs the data to disk and closes the file.
    void close();
    // Moves the closed temporary file over the destination (keeping the permissions of a file
    // that was there).
    void commit();
    // Closes and removes the temporary file; never throws.
    void discard() noexcept;

private:
    void flushBuffer();

    static constexpr qsizetype kBufferSize = 64 * 1024;
    // Write-back of a large file is started every so many bytes, so that the final sync has
    // little left to wait for.
    static constexpr qint64 kWriteBackStep = 4 * 1024 * 1024;
    int m_fd = -1;
    qint64 m_written = 0;
    qint64 m_writeBackStarted = 0;
    bool m_opened = false;
    QByteArray m_nativeTemp;   // the temporary file, as the file system spells it
    QByteArray m_nativeTarget; // the file the rename replaces (a symbolic link's target)
    QString m_tempPath;
    QByteArray m_buffer;
};

// Free bytes (for an unprivileged writer) of the file system that holds path, asked of the
// nearest existing ancestor of path; 0 when it cannot be queried.
double freeBytesFor(const QString& path);

} // namespace kelvane::downloader
