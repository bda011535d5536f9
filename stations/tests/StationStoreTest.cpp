#include "stations/StationStore.h"
#include "stations/MergedList.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using kelvane::ListKind;
using kelvane::MergedStation;
using kelvane::PlaylistEntry;
using kelvane::PlaylistRead;
using kelvane::StationStore;

PlaylistEntry station(const QString& name, const QString& url, const QString& group = {})
{
    return PlaylistEntry{name, url, group, {}, {}, {}};
}

PlaylistRead readOf(const QList<PlaylistEntry>& entries)
{
    PlaylistRead read;
    read.entries = entries;
    return read;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(StationStore, ChangesSurviveAReloadAsPlaylistsOtherPlayersOpen)
{
    QTemporaryDir dir;
    const PlaylistEntry server = station("中国之声", "http://s.example/1");
    const PlaylistEntry a = station("甲", "http://own.example/a", "音乐");
    const PlaylistEntry b = station("乙", "http://own.example/b");
    const PlaylistEntry c = station("丙", "rtmp://own.example/c");
    {
        StationStore store(dir.path());
        store.load();
        store.setFavourite(ListKind::Radio, server, true);
        const kelvane::ImportCount count = store.addOwn(
            ListKind::Radio, readOf({a, b, station("dup", server.url)}), {server.url}, 1);
        EXPECT_EQ(count.accepted.size(), 2);
        EXPECT_EQ(count.duplicate, 1);
        store.setFavourite(ListKind::Radio, b, true);
        EXPECT_TRUE(store.editOwn(ListKind::Radio, b.url, c)); // starred under its new address
        EXPECT_FALSE(store.editOwn(ListKind::Radio, a.url, station("", "http://x.example/")));
        EXPECT_FALSE(store.editOwn(ListKind::Radio, a.url, station("x", "file:///x.mp3")));
        EXPECT_FALSE(store.editOwn(ListKind::Radio, server.url, a)); // the server's: no
        store.addOwn(ListKind::Tv, readOf({b}), {}, 0);
        store.setFavourite(ListKind::Tv, b, true);
        EXPECT_TRUE(store.removeOwn(ListKind::Tv, b.url)); // and unstarred
        store.setFavourite(ListKind::Tv2, a, true);
        store.setFavourite(ListKind::Tv2, a, false);
    }
    StationStore store(dir.path());
    QSignalSpy problems(&store, &StationStore::problem);
    store.load();
    EXPECT_EQ(store.favourites(ListKind::Radio), (QList<PlaylistEntry>{server, c}));
    EXPECT_EQ(store.own(ListKind::Radio), (QList<PlaylistEntry>{a, c}));
    EXPECT_TRUE(store.isFavourite(ListKind::Radio, c.url) && store.isOwn(ListKind::Radio, c.url));
    EXPECT_FALSE(store.isOwn(ListKind::Radio, server.url));
    EXPECT_TRUE(store.own(ListKind::Tv).isEmpty() && store.favourites(ListKind::Tv).isEmpty());
    EXPECT_TRUE(store.favourites(ListKind::Tv2).isEmpty());
    EXPECT_EQ(problems.size(), 0);
    const QByteArray file = readFile(dir.filePath(StationStore::ownFileName(ListKind::Radio)));
    EXPECT_EQ(kelvane::readPlaylist(file, "x.m3u8").entries, (QList<PlaylistEntry>{a, c}));
    EXPECT_EQ(dir.filePath(StationStore::favouritesFileName(ListKind::Radio)),
              dir.filePath("收藏-收音机.m3u8"));
}

TEST(StationStore, DamagedFilesAreKeptAsideAndSaidOnce)
{
    QTemporaryDir dir;
    const QString favourites = dir.filePath(StationStore::favouritesFileName(ListKind::Radio));
    const QByteArray damaged = "#EXTM3U\n#EXTINF:-1,好的\nhttp://ok.example/\n#EXTINF:-1,断";
    writeFile(favourites, damaged);
    QDir(dir.path()).mkdir(StationStore::ownFileName(ListKind::Tv)); // unreadable: a folder
    StationStore store(dir.path());
    QSignalSpy problems(&store, &StationStore::problem);
    store.load();
    store.setFavourite(ListKind::Radio, station("新", "http://new.example/"), true);
    store.flush();
    QCoreApplication::processEvents();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0][0].toString().contains("收藏-收音机.m3u8 已损坏"));
    const QStringList aside =
        QDir(dir.path()).entryList({"*.损坏-*"}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(aside.size(), 2);
    EXPECT_EQ(readFile(dir.filePath(aside.filter("收藏").value(0))), damaged);
    EXPECT_EQ(kelvane::readPlaylist(readFile(favourites), "x.m3u8").entries,
              (QList<PlaylistEntry>{station("好的", "http://ok.example/"),
                                    station("新", "http://new.example/")}));
}

TEST(StationStore, FailedSavesAreSaidOnce)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("file"), "not a folder");
    StationStore store(dir.filePath("file"));
    QSignalSpy problems(&store, &StationStore::problem);
    store.load();
    store.setFavourite(ListKind::Radio, station("a", "http://a.example/"), true);
    store.flush();
    store.setFavourite(ListKind::Radio, station("b", "http://b.example/"), true);
    store.flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(problems.size(), 1);
    EXPECT_EQ(store.favourites(ListKind::Radio).size(), 2); // kept in memory all the same
}

TEST(MergedList, FavouritesFirstThenServerThenOwn)
{
    kelvane::Stations server;
    server.names = QStringList{"一", "二", "二 again", "no address", "三"};
    server.urls = QStringList{"http://s/1", "http://s/2", "http://s/2", "", "http://s/3"};
    QList<MergedStation> exact;
    for (int i = 0; i < server.names.size(); ++i)
        exact.append({server.names[i], server.urls[i], {}, false, false});
    EXPECT_EQ(kelvane::mergeStations(server, {}, {}), exact);

    const QList<PlaylistEntry> favourites = {station("old name", "http://s/3"),
                                             station("dropped", "http://gone/", "g"),
                                             station("mine, starred", "http://own/2")};
    const QList<PlaylistEntry> own = {station("mine", "http://own/1", "音乐"),
                                      station("mine, starred", "http://own/2", "新闻"),
                                      station("server has it", "http://s/1")};
    const QList<MergedStation> expected = {
        {"三", "http://s/3", {}, true, false},
        {"dropped", "http://gone/", "g", true, false},
        {"mine, starred", "http://own/2", "新闻", true, true},
        {"一", "http://s/1", {}, false, false},
        {"二", "http://s/2", {}, false, false},
        {"二 again", "http://s/2", {}, false, false},
        {"no address", "", {}, false, false},
        {"mine", "http://own/1", "音乐", false, true},
    };
    EXPECT_EQ(kelvane::mergeStations(server, own, favourites), expected);
}

} // namespace
