#pragma once

#include "catalogue/StationList.h"
#include "stations/Playlist.h"

namespace kelvane {

// One row of a list box.
struct MergedStation
{
    QString name;
    QString url;
    QString group;
    bool starred = false;
    bool own = false; // added or imported by the listener: may be edited and removed
    friend bool operator==(const MergedStation&, const MergedStation&) = default;
};

// What a list box shows: the favourites first (in the order starred, under the server's current
// name while the server has them; one the server dropped stays), then the server's stations,
// then the listener's own. A station appears once: the same address is the same station. With
// no own stations and no favourites the result is exactly the server list. At most kMaxStations
// rows (a list box holds no more): what does not fit is cut from the end.
QList<MergedStation> mergeStations(const Stations& server, const QList<PlaylistEntry>& own,
                                   const QList<PlaylistEntry>& favourites);

} // namespace kelvane
