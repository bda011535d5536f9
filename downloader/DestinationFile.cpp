#include "downloader/DestinationFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kelvane::downloader {

namespace {

[[noreturn]] void throwErrno(int error)
{
    throw TransferError::fromErrno(error);
}

constexpr qsizetype kSuffixLength = 8;

QByteArray randomSuffix()
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray out(kSuffixLength, '\0');
    for (char& c : out)
        c = kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet - 1))];
    return out;
}

// Removes temporary files of earlier transfers to the same destination that were killed before
// they could clean up. A transfer holds a lock on its temporary file while it runs: one still
// locked belongs to a transfer that is alive and stays.
void removeStaleTemporaries(const QByteArray& folder, const QByteArray& name)
{
    const QByteArray prefix = '.' + name + '.';
    DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray file(entry->d_name);
        if (!file.startsWith(prefix) || !file.endsWith(".part") ||
            file.size() != prefix.size() + kSuffixLength + 5)
            continue;
        const QByteArray path = folder + file;
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st
        {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
    ::closedir(dir);
}

// Makes a rename in the folder durable.
void syncFolder(const QByteArray& folder)
{
    const int fd =
        ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd); // best effort: the file itself is already synced
    ::close(fd);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash + 1);
}

} // namespace

DestinationFile::~DestinationFile()
{
    discard();
}

void DestinationFile::open(const QString& destination)
{
    discard();
    QByteArray target = QFile::encodeName(destination);
    // Replacing a symbolic link replaces the file it points to, as saving in place would.
    struct stat st
    {};
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    bool existed = false;
    mode_t mode = 0;
    if (::stat(target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throwErrno(EISDIR);
        existed = true;
        mode = st.st_mode & 07777;
    }

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray name = target.mid(slash + 1);
    removeStaleTemporaries(folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = folder + '.' + name + '.' + randomSuffix() + ".part";
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throwErrno(errno);
        }
        (void)::flock(fd, LOCK_EX | LOCK_NB); // marks it as in use (see removeStaleTemporaries)
        m_fd = fd;
        m_opened = true;
        m_nativeTemp = temp;
        m_nativeTarget = target;
        m_tempPath = QFile::decodeName(temp);
        m_buffer.reserve(kBufferSize);
        m_written = 0;
        m_writeBackStarted = 0;
        if (existed)
            (void)::fchmod(fd, mode); // best effort: keep the permissions of the old file
        return;
    }
    throwErrno(EEXIST);
}

void DestinationFile::write(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_fd < 0)
        throwErrno(EBADF);
    if (m_buffer.size() + bytes.size() > kBufferSize)
        flushBuffer();
    if (bytes.size() >= kBufferSize) {
        m_buffer = bytes;
        flushBuffer();
        m_buffer.reserve(kBufferSize);
        return;
    }
    m_buffer.append(bytes);
}

void DestinationFile::flushBuffer()
{
    const char* data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(errno);
        }
        data += n;
        left -= n;
        m_written += n;
    }
    m_buffer.resize(0);
    if (m_written - m_writeBackStarted >= kWriteBackStep) {
        // Best effort: the final fdatasync reports any failure.
        (void)::sync_file_range(m_fd, m_writeBackStarted, m_written - m_writeBackStarted,
                                SYNC_FILE_RANGE_WRITE);
        m_writeBackStarted = m_written;
    }
}

void DestinationFile::close()
{
    if (m_fd < 0)
        return;
    flushBuffer();
    if (::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        throwErrno(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        throwErrno(errno);
}

void DestinationFile::commit()
{
    close();
    if (m_nativeTemp.isEmpty())
        throwErrno(ENOENT);
    if (::rename(m_nativeTemp.constData(), m_nativeTarget.constData()) != 0)
        throwErrno(errno);
    syncFolder(folderOf(m_nativeTarget));
    m_nativeTemp.clear();
    m_tempPath.clear();
}

void DestinationFile::discard() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_nativeTemp.isEmpty()) {
        ::unlink(m_nativeTemp.constData());
        m_nativeTemp.clear();
        m_tempPath.clear();
    }
    m_buffer.resize(0);
}

double freeBytesFor(const QString& path)
{
    QByteArray probe = QFile::encodeName(path);
    while (!probe.isEmpty()) {
        struct stat st
        {};
        if (::stat(probe.constData(), &st) == 0) {
            struct statvfs vfs
            {};
            if (::statvfs(probe.constData(), &vfs) != 0)
                return 0.0;
            return static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
        }
        // Up one level: drop a trailing "/", then the last component.
        while (probe.size() > 1 && probe.endsWith('/'))
            probe.chop(1);
        const qsizetype slash = probe.lastIndexOf('/');
        if (slash < 0)
            return 0.0;
        probe.truncate(slash == 0 ? 1 : slash);
    }
    return 0.0;
}

} // namespace kelvane::downloader
