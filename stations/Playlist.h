#pragma once

#include "catalogue/StationList.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace kelvane {

// One station of a playlist. The address is kept as written (trimmed); a name is never empty.
struct PlaylistEntry
{
    QString name, url, group, tvgId, tvgName, logo;
    friend bool operator==(const PlaylistEntry&, const PlaylistEntry&) = default;
};

struct PlaylistRead
{
    QList<PlaylistEntry> entries; // network addresses only, in file order
    int notNetwork = 0;           // entries skipped: not a network address (file:, relative...)
    QString error;                // non-empty: not a playlist at all (why, in Chinese)
};

// The most of a playlist that is read; the rest is ignored.
inline constexpr qsizetype kMaxPlaylistBytes = 16 * 1024 * 1024;
// A longer line is cut to this many characters.
inline constexpr qsizetype kMaxPlaylistLine = 64 * 1024;

// Reads a whole playlist. source: its path or address; its extension is a hint of the format,
// and a relative entry of a playlist from the network is taken relative to it (from a local file
// it counts as not a network address). Formats: M3U/M3U8 plain and extended, PLS, XSPF, the
// program's list format (name ==> address, name ||> address). Text is UTF-8 (with or without
// BOM), else GBK; lines end in CR, LF or CR LF.
PlaylistRead readPlaylist(const QByteArray& bytes, const QString& source);

// Extended M3U8, UTF-8 without BOM: "#EXTM3U", then for each entry
// #EXTINF:-1 tvg-id="…" tvg-name="…" tvg-logo="…" group-title="…",Name and its address (empty
// attributes left out). What readPlaylist gave reads back unchanged. Line ends inside a field
// become spaces; a value holding both kinds of quote loses its double quotes.
QByteArray writePlaylist(const QList<PlaylistEntry>& entries);

// What an import into one list takes: duplicates (an address already in the list or earlier in
// the file) and entries past the list's cap are skipped and counted.
struct ImportCount
{
    QList<PlaylistEntry> accepted;
    int notNetwork = 0, duplicate = 0, overCap = 0;
    int cap = kMaxStations;
};
ImportCount planImport(const PlaylistRead& read, const QSet<QString>& urlsInList,
                       int stationsInList, int cap = kMaxStations);

// "已导入 N 个电台" and, when any were skipped, how many and why.
QString importReport(const ImportCount& count);

} // namespace kelvane
