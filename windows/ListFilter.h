#pragma once

#include "catalogue/StationIndex.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

class QLineEdit;
class QListWidget;

namespace kelvane {

// Type-to-filter on a station list: typing while the list has focus opens a small field over
// the list's bottom edge, and the list shows only the stations that match (by name, pinyin or
// pinyin initials). Esc, or emptying the field, shows the whole list again with the selection
// kept. Rows and stations differ while filtering: stationAt() gives the station of a row, so
// the address sequence stays in step with what is shown. Stations that failed are drawn grey.
class ListFilter : public QObject
{
    Q_OBJECT
public:
    // onPlay: what Enter in the field does (plays the selected station).
    ListFilter(QListWidget* list, std::function<void()> onPlay);

    // The list was loaded anew: its items are all its stations.
    void reset();
    // The station (its position in the whole list) shown at that row; -1 for none.
    int stationAt(int row) const;
    // The row showing that station; -1 when it is filtered out.
    int rowOf(int station) const;

    void open(const QString& text);
    void close();
    bool isOpen() const;
    QLineEdit* field() const { return m_field; }

    // Draws the station grey with the reason as its tooltip; an empty reason undoes it.
    void setDead(int station, const QString& reason);
    QString deadReason(int station) const { return m_dead.value(station); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refilter();
    // Shows those stations (all of them for nullopt) and selects keep if shown, else the first.
    void show(const QList<int>* stations, int keep);
    void mark(int row, int station);
    void placeField();

    QListWidget* m_list;
    QLineEdit* m_field;
    std::function<void()> m_onPlay;
    StationIndex m_index;
    QStringList m_names;
    bool m_filtered = false; // m_shown holds the shown stations; otherwise all are shown
    QList<int> m_shown;
    QHash<int, QString> m_dead;
};

} // namespace kelvane
