#include "stations/MergedList.h"

#include <QHash>
#include <QSet>

namespace kelvane {

QList<MergedStation> mergeStations(const Stations& server, const QList<PlaylistEntry>& own,
                                   const QList<PlaylistEntry>& favourites)
{
    QList<MergedStation> rows;
    rows.reserve(
        std::min<qsizetype>(kMaxStations, server.names.size() + own.size() + favourites.size()));

    QHash<QString, qsizetype> favouriteRow; // address -> its row
    for (const PlaylistEntry& entry : favourites) {
        if (favouriteRow.contains(entry.url))
            continue;
        favouriteRow.insert(entry.url, rows.size());
        rows.append({entry.name, entry.url, entry.group, true, false});
    }
    QSet<QString> ownUrls;
    for (const PlaylistEntry& entry : own)
        ownUrls.insert(entry.url);

    QSet<QString> renamed;    // favourites already given the server's name
    QSet<QString> serverUrls; // only needed to keep own stations the server also has out
    if (!own.isEmpty())
        serverUrls.reserve(server.urls.size());
    for (qsizetype i = 0; i < server.names.size(); ++i) {
        const QString& url = server.urls.value(i);
        if (!own.isEmpty())
            serverUrls.insert(url);
        const auto row = url.isEmpty() ? favouriteRow.cend() : favouriteRow.constFind(url);
        if (row == favouriteRow.cend()) {
            rows.append({server.names[i], url, QString(), false, false});
        } else if (!renamed.contains(url) && !ownUrls.contains(url)) {
            rows[*row].name = server.names[i];
            renamed.insert(url);
        }
    }
    for (const PlaylistEntry& entry : own) {
        const auto row = favouriteRow.constFind(entry.url);
        if (row != favouriteRow.cend())
            rows[*row] = {entry.name, entry.url, entry.group, true, true};
        else if (!serverUrls.contains(entry.url))
            rows.append({entry.name, entry.url, entry.group, false, true});
    }
    if (rows.size() > kMaxStations)
        rows.resize(kMaxStations);
    return rows;
}

} // namespace kelvane
