#pragma once

#include "directory/DirectoryClient.h"
#include "platform/Forms.h"
#include "windows/Services.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace kelvane {

// 电台目录: searches the open station directory. Enter in the search field searches, and the
// results take the keyboard with the first row selected; Enter or a double click plays the
// selected station in the radio window's player; Ctrl+D or "收藏" adds it to the listener's radio
// stations, starred; "更多" fetches the next page; Esc closes. A window of its own: nothing of
// the player windows changes.
class DirectoryWindow final : public Form
{
    Q_OBJECT
public:
    DirectoryWindow(FormRegistry& forms, const AppServices& services);

    DirectoryClient* client() const { return m_client; }

    // Shows one page of results: a first page replaces the rows, a further one adds to them.
    void showResults(const kelvane::DirectoryQuery& query,
                     const QList<kelvane::DirectoryStation>& stations);
    // The station of the selected row; nullptr when none is selected.
    const DirectoryStation* selectedStation() const;
    QString statusText() const;

    void search();    // from the first page, with the fields' text
    void more();      // the next page of the last search
    void play();      // the selected station
    void favourite(); // the selected station, starred among the listener's radio stations

    QLineEdit* searchField() const { return m_search; }
    QTreeWidget* results() const { return m_results; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void failed(const QString& message);
    void resolved(const DirectoryStation& station, const QString& address);
    void setStatus(const QString& text);

    AppServices m_services;
    DirectoryClient* m_client = nullptr;
    QLineEdit* m_search = nullptr;
    QComboBox* m_country = nullptr;
    QToolButton* m_china = nullptr;
    QLineEdit* m_tag = nullptr;
    QTreeWidget* m_results = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_favourite = nullptr;
    QPushButton* m_more = nullptr;
    QList<DirectoryStation> m_stations; // row i shows m_stations[i]
    DirectoryQuery m_lastQuery;
};

} // namespace kelvane
