#include "stations/StationStore.h"

#include "net/NetworkAddress.h"
#include "stations/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace kelvane {

namespace {

constexpr ListKind kKinds[] = {ListKind::Radio, ListKind::Tv, ListKind::Tv2};

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decodes only when kept
    return !utf8.hasError();
}

// Why the bytes of one of our files are not what a save of ours leaves, or empty.
QString damage(const QByteArray& bytes, const PlaylistRead& read)
{
    if (bytes.size() > kMaxPlaylistBytes)
        return QStringLiteral("文件过大");
    if (!isValidUtf8(bytes))
        return QStringLiteral("不是 UTF-8 文本");
    if (!read.error.isEmpty())
        return read.error;
    if (!bytes.startsWith("#EXTM3U") && !bytes.startsWith("\xEF\xBB\xBF#EXTM3U"))
        return QStringLiteral("不是扩展 M3U 文件");
    if (read.notNetwork > 0)
        return QStringLiteral("%1 项不是网络地址").arg(read.notNetwork);
    // A description line whose address never came: the file was cut.
    if (bytes.count("#EXTINF:") > read.entries.size())
        return QStringLiteral("文件不完整");
    return {};
}

} // namespace

QString listName(ListKind kind)
{
    switch (kind) {
    case ListKind::Radio:
        return QStringLiteral("收音机");
    case ListKind::Tv:
        return QStringLiteral("电视");
    case ListKind::Tv2:
        return QStringLiteral("电视2");
    }
    return {};
}

StationStore::StationStore(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder)
{
    connect(&m_saver, &BackgroundSaver::failed, this, &StationStore::onSaveFailed);
    connect(&m_saver, &BackgroundSaver::saved, this, [this] { m_failing = false; });
}

StationStore::~StationStore()
{
    // The saver writes what is pending as it goes; nothing of it is reported any more.
    disconnect(&m_saver, nullptr, this, nullptr);
}

QString StationStore::ownFileName(ListKind kind)
{
    return QStringLiteral("我的电台-") + listName(kind) + QStringLiteral(".m3u8");
}

QString StationStore::favouritesFileName(ListKind kind)
{
    return QStringLiteral("收藏-") + listName(kind) + QStringLiteral(".m3u8");
}

QString StationStore::path(const QString& fileName) const
{
    return QDir(m_folder).filePath(fileName);
}

void StationStore::load()
{
    m_saver.flush();
    QStringList problems;
    for (ListKind kind : kKinds) {
        loadFile(ownFileName(kind), lists(kind).own, problems);
        loadFile(favouritesFileName(kind), lists(kind).favourites, problems);
        Q_EMIT changed(kind);
    }
    if (!problems.isEmpty())
        Q_EMIT problem(problems.join(u'\n'));
}

void StationStore::loadFile(const QString& fileName, Stored& into, QStringList& problems)
{
    into = Stored();
    const QString filePath = path(fileName);
    removeLeftoverTemporaries(filePath);
    const QFileInfo info(filePath);
    if (!info.exists() && !info.isSymLink())
        return;
    QFile file(filePath);
    QByteArray bytes;
    QString why;
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        why = QStringLiteral("无法读取");
    else
        bytes = file.read(kMaxPlaylistBytes + 1);
    if (why.isEmpty() && file.error() != QFileDevice::NoError)
        why = QStringLiteral("读取出错");
    file.close();
    PlaylistRead read;
    if (!bytes.trimmed().isEmpty()) {
        read = readPlaylist(bytes, filePath);
        if (why.isEmpty())
            why = damage(bytes, read);
    }
    for (PlaylistEntry& entry : read.entries) {
        if (!into.urls.contains(entry.url)) {
            into.urls.insert(entry.url);
            into.entries.append(std::move(entry));
        }
    }
    if (why.isEmpty())
        return;
    const QString aside = setAside(filePath);
    if (aside.isEmpty()) {
        m_blocked.insert(filePath);
        problems << QStringLiteral(
                        "%1 已损坏（%2），读出 %3 个电台；无法把它另存，本次运行不会改写它。")
                        .arg(fileName, why)
                        .arg(into.entries.size());
        return;
    }
    problems << QStringLiteral("%1 已损坏（%2），读出 %3 个电台；原文件已另存为 %4。")
                    .arg(fileName, why)
                    .arg(into.entries.size())
                    .arg(QFileInfo(aside).fileName());
    if (!into.entries.isEmpty())
        save(fileName, into);
}

void StationStore::save(const QString& fileName, const Stored& stored)
{
    const QString filePath = path(fileName);
    if (m_blocked.contains(filePath))
        return;
    const QList<PlaylistEntry> entries = stored.entries;
    m_saver.save(filePath, [entries] { return writePlaylist(entries); });
}

void StationStore::onSaveFailed(const QString& filePath, const QString& error)
{
    Q_UNUSED(filePath);
    if (m_failing)
        return;
    m_failing = true;
    Q_EMIT problem(QStringLiteral("无法保存电台：") + error);
}

QList<PlaylistEntry> StationStore::own(ListKind kind) const
{
    return lists(kind).own.entries;
}

QList<PlaylistEntry> StationStore::favourites(ListKind kind) const
{
    return lists(kind).favourites.entries;
}

bool StationStore::isFavourite(ListKind kind, const QString& url) const
{
    return lists(kind).favourites.urls.contains(url);
}

bool StationStore::isOwn(ListKind kind, const QString& url) const
{
    return lists(kind).own.urls.contains(url);
}

void StationStore::setFavourite(ListKind kind, const PlaylistEntry& station, bool starred)
{
    Stored& favourites = lists(kind).favourites;
    if (starred == favourites.urls.contains(station.url) || station.url.isEmpty())
        return;
    if (starred) {
        favourites.entries.append(station);
        favourites.urls.insert(station.url);
    } else {
        favourites.entries.removeIf([&](const PlaylistEntry& e) { return e.url == station.url; });
        favourites.urls.remove(station.url);
    }
    save(favouritesFileName(kind), favourites);
    Q_EMIT changed(kind);
}

ImportCount StationStore::addOwn(ListKind kind, const PlaylistRead& read,
                                 const QSet<QString>& serverUrls, int serverCount)
{
    Stored& own = lists(kind).own;
    QSet<QString> inList = serverUrls;
    inList.unite(own.urls);
    ImportCount count = planImport(read, inList, serverCount + int(own.entries.size()));
    if (count.accepted.isEmpty())
        return count;
    for (const PlaylistEntry& entry : std::as_const(count.accepted))
        own.urls.insert(entry.url);
    if (own.entries.isEmpty())
        own.entries = count.accepted; // shared, not copied: an import can be the whole list
    else
        own.entries.append(count.accepted);
    save(ownFileName(kind), own);
    Q_EMIT changed(kind);
    return count;
}

bool StationStore::editOwn(ListKind kind, const QString& oldUrl, const PlaylistEntry& station)
{
    Lists& list = lists(kind);
    if (!list.own.urls.contains(oldUrl) || station.name.trimmed().isEmpty() ||
        !net::isNetworkAddress(QUrl(station.url)) ||
        (station.url != oldUrl && list.own.urls.contains(station.url)))
        return false;
    for (PlaylistEntry& entry : list.own.entries) {
        if (entry.url == oldUrl)
            entry = station;
    }
    list.own.urls.remove(oldUrl);
    list.own.urls.insert(station.url);
    save(ownFileName(kind), list.own);
    Stored& favourites = list.favourites;
    if (favourites.urls.contains(oldUrl)) {
        // Starred under its new address too; once only, should that address be starred already.
        const bool starredAlready = station.url != oldUrl && favourites.urls.contains(station.url);
        favourites.entries.removeIf(
            [&](const PlaylistEntry& e) { return starredAlready && e.url == oldUrl; });
        for (PlaylistEntry& entry : favourites.entries) {
            if (entry.url == oldUrl)
                entry = station;
        }
        favourites.urls.remove(oldUrl);
        favourites.urls.insert(station.url);
        save(favouritesFileName(kind), favourites);
    }
    Q_EMIT changed(kind);
    return true;
}

bool StationStore::removeOwn(ListKind kind, const QString& url)
{
    Lists& list = lists(kind);
    if (!list.own.urls.contains(url))
        return false;
    for (Stored* stored : {&list.own, &list.favourites}) {
        if (stored->urls.remove(url)) {
            stored->entries.removeIf([&](const PlaylistEntry& e) { return e.url == url; });
            save(stored == &list.own ? ownFileName(kind) : favouritesFileName(kind), *stored);
        }
    }
    Q_EMIT changed(kind);
    return true;
}

void StationStore::flush()
{
    m_saver.flush();
}

} // namespace kelvane
