#include "windows/PlaylistDownload.h"

#include "net/Fetch.h"

#include <QFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace kelvane {

namespace {

const QString kNothing = QStringLiteral("，未导入任何电台。");

QString tooLarge(qint64 maxBytes)
{
    const QString size = maxBytes >= 1024 * 1024
                             ? QStringLiteral("%1 MiB").arg(maxBytes / (1024 * 1024))
                             : QStringLiteral("%1 KiB").arg(maxBytes / 1024);
    return QStringLiteral("播放列表超过 ") + size + QStringLiteral("（或下载没有尽头）") + kNothing;
}

} // namespace

PlaylistDownload::PlaylistDownload(QObject* parent) : QObject(parent) {}

PlaylistDownload::~PlaylistDownload() = default;

bool PlaylistDownload::isAddress(const QString& source)
{
    const QString scheme = QUrl(source).scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

void PlaylistDownload::start(const QString& source, const Bounds& bounds)
{
    m_bytes.clear();
    m_maxBytes = bounds.maxBytes;
    if (!isAddress(source)) {
        const QUrl url(source);
        const QString path = url.scheme() == u"file" ? url.toLocalFile() : source;
        QTimer::singleShot(0, this, [this, path] { readFile(path, m_maxBytes); });
        return;
    }
    delete m_fetch.data();
    m_fetch = new net::Fetch(this);
    net::Limits limits;
    limits.maxBytes = bounds.maxBytes;
    limits.connectTimeoutMs = bounds.connectMs;
    limits.silenceMs = bounds.silenceMs;
    limits.deadlineMs = bounds.deadlineMs;
    connect(m_fetch, &net::Fetch::readyRead, this, [this] {
        // The fetch keeps a small buffer: the body is taken as it comes.
        m_bytes += m_fetch->readAll();
    });
    connect(m_fetch, &net::Fetch::finished, this, &PlaylistDownload::fetched);
    m_fetch->start(QUrl(source), limits);
}

void PlaylistDownload::readFile(const QString& path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return end({}, QStringLiteral("无法打开文件：") + path + kNothing);
    // Sized by the file where it has one: a read of the whole cap would reserve it all.
    const qint64 want = file.isSequential() ? maxBytes : std::min(file.size(), maxBytes);
    const QByteArray bytes = file.read(want + 1);
    if (bytes.size() > maxBytes)
        return end({}, tooLarge(maxBytes));
    if (file.error() != QFileDevice::NoError)
        return end({}, QStringLiteral("无法读取文件：") + path + kNothing);
    end(bytes, {});
}

void PlaylistDownload::fetched()
{
    m_bytes += m_fetch->readAll();
    const int status = m_fetch->status();
    QString why;
    switch (m_fetch->error()) {
    case net::Fetch::Error::None:
        if (status == 404)
            why = QStringLiteral("未找到 (HTTP 404)") + kNothing;
        else if (status < 200 || status >= 300)
            why = QStringLiteral("服务器错误 (HTTP %1)").arg(status) + kNothing;
        break;
    case net::Fetch::Error::Cut:
    case net::Fetch::Error::NoAnswer:
        why = QStringLiteral("下载中断，播放列表不完整") + kNothing;
        break;
    case net::Fetch::Error::TooLarge:
        why = tooLarge(m_maxBytes);
        break;
    case net::Fetch::Error::TimedOut:
        why = QStringLiteral("下载太慢，超时") + kNothing;
        break;
    case net::Fetch::Error::ConnectFailed:
        why = QStringLiteral("无法连接服务器") + kNothing;
        break;
    default:
        why = QStringLiteral("下载失败（%1）").arg(m_fetch->errorString()) + kNothing;
        break;
    }
    m_fetch->deleteLater();
    end(why.isEmpty() ? m_bytes : QByteArray(), why);
}

void PlaylistDownload::end(const QByteArray& bytes, const QString& error)
{
    m_bytes.clear();
    Q_EMIT finished(bytes, error);
}

} // namespace kelvane
