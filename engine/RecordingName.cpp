#include "engine/RecordingName.h"

#include <QDir>
#include <QFile>
#include <QTextBoundaryFinder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kelvane {

namespace {

constexpr int kMaxCopies = 9999;

QString sanitized(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            out += c;
            out += name[++i];
        } else if (c.isSurrogate() || c == u'/' || c == u'\\' ||
                   c.category() == QChar::Other_Control || QStringView(u"<>:\"|?*").contains(c)) {
            out += u'_';
        } else {
            out += c;
        }
    }
    out = out.trimmed();
    while (out.startsWith(u'.'))
        out = out.mid(1).trimmed();
    return out;
}

} // namespace

QString recordingStationPart(const QString& stationName, int maxBytes)
{
    const QString name = sanitized(stationName);
    qsizetype cut = 0; // the longest prefix of whole characters within maxBytes
    int bytes = 0;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        bytes += int(QStringView(name).sliced(cut, next - cut).toUtf8().size());
        if (bytes > maxBytes)
            break;
        cut = next;
    }
    QString part = name.left(cut).trimmed();
    while (part.endsWith(u'.'))
        part.chop(1); // a name ending in a dot is refused elsewhere
    return part.isEmpty() ? QStringLiteral("Kelvane") : part;
}

QString recordingFileName(const QString& stationName, const QDateTime& start,
                          const QString& extension, int copy)
{
    QString rest = u' ' + start.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    if (copy > 1)
        rest += QStringLiteral(" (%1)").arg(copy);
    rest += u'.' + extension;
    return recordingStationPart(stationName, kMaxFileNameBytes - int(rest.toUtf8().size())) + rest;
}

QString createRecordingFile(const QString& folder, const QString& stationName,
                            const QDateTime& start, const QString& extension, QString* error)
{
    const QDir dir(folder);
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const QString path = dir.filePath(recordingFileName(stationName, start, extension, copy));
        // O_EXCL: a name is taken only by whoever creates it, so no recording is overwritten.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            if (error != nullptr)
                *error = fileErrorText(errno);
            return {};
        }
    }
    if (error != nullptr)
        *error = fileErrorText(EEXIST);
    return {};
}

QString recordingExtension(const QString& formatName, bool hasVideo)
{
    const QString f = formatName.section(u',', 0, 0).trimmed().toLower();
    for (const char* plain : {"mp3", "aac", "ogg", "flac"}) {
        if (f == QLatin1String(plain))
            return f;
    }
    if (f == u"hls" || f == u"mpegts" || f == u"applehttp")
        return QStringLiteral("ts");
    // Matroska takes whatever else a station sends and stays playable when cut short.
    return hasVideo ? QStringLiteral("mkv") : QStringLiteral("mka");
}

QString fileErrorText(int errnoValue)
{
    switch (errnoValue) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘已满");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EROFS:
        return QStringLiteral("磁盘只读");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case EEXIST:
        return QStringLiteral("文件已存在");
    default:
        return QStringLiteral("写入错误：%1")
            .arg(QString::fromLocal8Bit(std::strerror(errnoValue)));
    }
}

} // namespace kelvane
