#include "stations/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

namespace {

bool fail(QString* error, const QString& what, int code)
{
    if (error)
        *error = what + QStringLiteral("：") + QString::fromLocal8Bit(std::strerror(code));
    return false;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace

bool saveAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    // A hidden name beside the target: the rename stays within one file system.
    QByteArray temp = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(error, QStringLiteral("无法在 %1 中创建临时文件").arg(info.absolutePath()),
                    errno);
    struct stat old
    {};
    const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const auto abandon = [&](const QString& what) {
        const int code = errno;
        ::close(fd);
        ::unlink(temp.constData());
        return fail(error, what, code);
    };
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, bytes))
        return abandon(QStringLiteral("无法写入 %1").arg(path));
    if (::fsync(fd) != 0)
        return abandon(QStringLiteral("无法把 %1 写到磁盘").arg(path));
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temp.constData());
        return fail(error, QStringLiteral("无法写入 %1").arg(path), code);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int code = errno;
        ::unlink(temp.constData());
        return fail(error, QStringLiteral("无法替换 %1").arg(path), code);
    }
    // The rename is only durable once the folder's entry is.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail(error, QStringLiteral("无法打开文件夹 %1").arg(info.absolutePath()), errno);
    const bool synced = ::fsync(dir) == 0;
    const int code = errno;
    ::close(dir);
    if (!synced)
        return fail(error, QStringLiteral("无法把文件夹 %1 写到磁盘").arg(info.absolutePath()),
                    code);
    return true;
}

QString setAside(const QString& path)
{
    const QString stem = path + QStringLiteral(".损坏-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + u'-' + QString::number(n);
    return ::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0
               ? aside
               : QString();
}

void removeLeftoverTemporaries(const QString& path)
{
    const QFileInfo info(path);
    QDir folder = info.absoluteDir();
    const QString prefix = u'.' + info.fileName() + u'.';
    const QStringList names = folder.entryList({prefix + QStringLiteral("??????")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        folder.remove(name);
}

} // namespace kelvane
