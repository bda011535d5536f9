#pragma once

#include "catalogue/StationIndex.h"

#include <QList>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include <optional>

class QLineEdit;

namespace kelvane {

struct Stations;

// One station of a list box: what it shows and what it plays, with its marks.
struct ListedStation
{
    QString name;
    std::optional<QString> url; // none: no address is known for it (its list file was not read)
    QString deadReason;         // why it failed to play last; empty while it is not known to fail
    bool starred = false;       // a favourite: listed first, with ★ before its name
    bool own = false;           // added or imported by the listener: it may be edited
    QString group;              // its group, from a playlist: in its tooltip, found by typing
};

// A station list: it owns its stations (name and address together, with their marks), shows
// them one a row, and says which one was chosen (a double click or Enter). A station that failed
// is drawn grey with its reason as tooltip. Starred stations come first, in the order starred,
// each with ★ before its name; unstarred, a station goes back to its own place.
//
// Type-to-filter: typing while the list has focus opens a small field over the list's bottom
// edge, and the list shows only the stations that match (by name, pinyin or pinyin initials).
// Esc, or emptying the field, shows the whole list again with the selection kept. A station keeps
// its position in the whole list whatever row shows it.
class StationListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit StationListBox(QWidget* parent = nullptr);

    // Shows a list file's stations. Nothing read (a missing file) forgets the addresses and
    // leaves the rows as they are. Filtering and marks start anew.
    void fillList(const std::optional<Stations>& stations);
    // Shows the favourites first, in the order given, then the rest (the list's own order). A
    // favourite found among the rest by its address is shown once, at the top, under the name
    // the rest gives it; one that is not (the list dropped it) stays, and goes when unstarred.
    // Failure marks and the selection carry over by address; filtering starts anew.
    void fillStations(const QList<ListedStation>& favourites, QList<ListedStation> rest);
    // Stars or unstars the station: starred, it goes to the end of the starred ones; unstarred,
    // back to its place among the rest. Returns its new position (-1: it went). The selection
    // stays on the station it was on.
    int setStarred(int position, bool starred);

    int stationCount() const { return static_cast<int>(m_stations.size()); }
    // The station at that position in the whole list; nullptr when there is none.
    const ListedStation* station(int position) const;
    // The addresses in list order, up to the first station without one: the address sequence.
    QStringList addresses() const;
    // The stations as listed take these addresses, in order; the rest have none.
    void setAddresses(const QStringList& urls);

    // The selected station's position in the whole list (whatever the list shows while
    // filtered); -1 when nothing is selected.
    int selectedPosition() const;
    // Selects the row delta away from the selected one, round the ends; false for an empty list.
    bool selectNeighbour(int delta);

    // Draws the station grey with the reason as its tooltip; an empty reason undoes it.
    void setDead(int position, const QString& reason);

    // A key for the station at that position that follows it while stations move, until the
    // list is filled anew; the station's position for a key, -1 when it is no longer listed.
    qint64 keyOf(int position) const;
    int positionOf(qint64 key) const;
    // The position of the station of that name, with that address if one is listed; -1 for none.
    int findStation(const QString& name, const QString& url = {}) const;

    // The station shown at that row; -1 for none. The row showing that station; -1 when it is
    // filtered out.
    int stationAt(int row) const;
    int rowOf(int position) const;

    // What the row's tooltip says: its whole name when cut off, why it failed, its group.
    QString tipOf(int row) const;

    void openFilter(const QString& text);
    void closeFilter();
    bool isFiltering() const;
    QLineEdit* filterField() const { return m_field; }

Q_SIGNALS:
    // A double click on the list or Enter on it: the selected station, or position -1 and no
    // station when nothing is selected.
    void chosen(int position, const kelvane::ListedStation& station);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A station where it is listed: key is its place in the order of the last fill (what the
    // indexes go by), home its place among the unstarred ones (-1: it goes when unstarred).
    struct Entry
    {
        ListedStation station;
        int key = 0;
        int home = 0;
    };

    void choose();
    // Rows put there by hand, not by fillList, become stations without addresses.
    void adoptRows();
    void refilter();
    // Shows those stations (all of them for nullptr) and selects keep if shown, else the first.
    void showStations(const QList<int>* positions, int keep);
    void mark(int row);
    void showTip(QHelpEvent* help);
    void startOver(QList<Entry> entries);
    void placeKeys();
    static QString rowText(const ListedStation& station);

    QList<Entry> m_stations;    // in list order
    QList<int> m_positionOfKey; // -1: no longer listed
    qsizetype m_keyCount = 0;   // keys run from 0 to this
    int m_starred = 0;          // the first m_starred stations are starred
    quint32 m_fill = 0;         // counts fills: keys of an earlier fill find nothing
    QLineEdit* m_field;
    StationIndex m_index;
    StationIndex m_groupIndex; // built only when a station has a group
    bool m_hasGroups = false;
    bool m_indexStale = true; // the stations changed since the index was built
    bool m_filtered = false;  // m_shown holds the shown positions; otherwise all are shown
    QList<int> m_shown;
    QList<int> m_matched; // while filtered: the keys that match
};

} // namespace kelvane

namespace kelvane {

// A list box's address sequence, read and written like a list of addresses: it is the box's own
// stations' addresses, so what is shown and what plays cannot drift apart. Bound to the window's
// pointer to its box.
class StationAddresses
{
public:
    explicit StationAddresses(StationListBox* const& box) : m_box(box) {}
    StationAddresses(const StationAddresses&) = delete;

    QStringList list() const { return m_box != nullptr ? m_box->addresses() : QStringList(); }
    operator QStringList() const { return list(); }
    StationAddresses& operator=(const QStringList& urls)
    {
        if (m_box != nullptr)
            m_box->setAddresses(urls);
        return *this;
    }
    qsizetype size() const { return list().size(); }
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype i) const { return list().at(i); }
    friend bool operator==(const StationAddresses& a, const QStringList& b)
    {
        return a.list() == b;
    }

private:
    StationListBox* const& m_box;
};

} // namespace kelvane
