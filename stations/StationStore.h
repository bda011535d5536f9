#pragma once

#include "stations/BackgroundSaver.h"
#include "stations/Playlist.h"

#include <QObject>
#include <QSet>

#include <array>

namespace kelvane {

// The three lists: the radio window's, the TV window's and its second one.
enum class ListKind
{
    Radio,
    Tv,
    Tv2
}; // rLista, tLista, aLista

// The list's name as the listener reads it (收音机, 电视, 电视2): in file names and messages.
QString listName(ListKind kind);

// The listener's own stations and favourites, per list, each kept as an extended M3U8 file
// (UTF-8) in the list folder that any player opens: 我的电台-收音机.m3u8, 收藏-收音机.m3u8, and
// the same for 电视 and 电视2. List updates write other files and never touch these.
class StationStore : public QObject
{
    Q_OBJECT
public:
    explicit StationStore(const QString& folder, QObject* parent = nullptr);
    ~StationStore() override; // waits for a pending save

    // The file that holds a list's own stations, or its favourites.
    static QString ownFileName(ListKind kind);
    static QString favouritesFileName(ListKind kind);

    // Reads the files. A damaged or unreadable one: what reads is kept, the file is set aside
    // under a new name (and what was read saved in its place), and problem() says so once.
    void load();

    QList<PlaylistEntry> own(ListKind kind) const;        // added or imported, in order
    QList<PlaylistEntry> favourites(ListKind kind) const; // starred, in the order starred
    bool isFavourite(ListKind kind, const QString& url) const;
    bool isOwn(ListKind kind, const QString& url) const;

    // Starring keeps the station's name and group, so a favourite the server drops stays.
    void setFavourite(ListKind kind, const PlaylistEntry& station, bool starred);
    // Adds to the list's own stations; serverUrls/serverCount: the list's server stations (for
    // duplicates and the cap).
    ImportCount addOwn(ListKind kind, const PlaylistRead& read, const QSet<QString>& serverUrls,
                       int serverCount);
    // False when no own station has oldUrl, the new one has no name or no network address, or
    // its address is another own station's. A starred station stays starred under its new data.
    bool editOwn(ListKind kind, const QString& oldUrl, const PlaylistEntry& station);
    // Also unstars it.
    bool removeOwn(ListKind kind, const QString& url);

    // Waits until every change is on disk (at quit, in tests).
    void flush();

Q_SIGNALS:
    void changed(kelvane::ListKind kind);
    void problem(const QString& message); // Chinese, for the status line or a box

private:
    struct Stored
    {
        QList<PlaylistEntry> entries;
        QSet<QString> urls;
    };
    struct Lists
    {
        Stored own, favourites;
    };

    Lists& lists(ListKind kind) { return m_lists[size_t(kind)]; }
    const Lists& lists(ListKind kind) const { return m_lists[size_t(kind)]; }
    QString path(const QString& fileName) const;
    void loadFile(const QString& fileName, Stored& into, QStringList& problems);
    void save(const QString& fileName, const Stored& stored);
    void onSaveFailed(const QString& path, const QString& error);

    QString m_folder;
    std::array<Lists, 3> m_lists;
    QSet<QString> m_blocked; // damaged files that could not be set aside: never written over
    bool m_failing = false;  // a save failed and none has succeeded since
    BackgroundSaver m_saver;
};

} // namespace kelvane
