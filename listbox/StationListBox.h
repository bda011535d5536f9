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
};

// A station list: it owns its stations (name and address together, with their marks), shows
// them one a row, and says which one was chosen (a double click or Enter). A station that failed
// is drawn grey with its reason as tooltip.
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

    // The station shown at that row; -1 for none. The row showing that station; -1 when it is
    // filtered out.
    int stationAt(int row) const;
    int rowOf(int position) const;

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
    void choose();
    // Rows put there by hand, not by fillList, become stations without addresses.
    void adoptRows();
    void refilter();
    // Shows those stations (all of them for nullptr) and selects keep if shown, else the first.
    void showStations(const QList<int>* positions, int keep);
    void mark(int row);
    void showTip(QHelpEvent* help);

    QList<ListedStation> m_stations;
    QLineEdit* m_field;
    StationIndex m_index;
    bool m_indexStale = true; // the stations changed since the index was built
    bool m_filtered = false;  // m_shown holds the shown positions; otherwise all are shown
    QList<int> m_shown;
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
