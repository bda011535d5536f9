#pragma once

#include "catalogue/StationList.h"
#include "stations/StationStore.h"
#include "windows/Services.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QAction;
class QMenu;

namespace kelvane {

class StationListBox;

// What a station list offers beyond playing, in its context menu and as keys while it has the
// keyboard: 收藏/取消收藏 (Ctrl+D), 添加电台… (Ctrl+N), 编辑… and 删除 (Delete, confirmed) for the
// listener's own stations, 导入播放列表… (Ctrl+O, or a file dropped on the list) and
// 导出播放列表…. It shows the list file's stations together with the listener's own and
// favourites, and follows every change to them.
class StationActions : public QObject
{
    Q_OBJECT
public:
    StationActions(QWidget& window, StationListBox& box, ListKind kind,
                   const AppServices& services);

    // Shows the list file's stations (nothing read: as a plain list does) with the listener's.
    void load(const std::optional<Stations>& server);

    void toggleStar();
    void addStation();
    void editStation();
    void removeStation();
    void importPlaylist();
    void importSources(const QStringList& sources);
    void exportPlaylist();
    // An entry of the window's own at the menu's end (the directory, the history).
    void addMenuAction(QAction* action) { m_extra.append(action); }

    QAction* starAction = nullptr;
    QAction* addAction = nullptr;
    QAction* editAction = nullptr;
    QAction* removeAction = nullptr;
    QAction* importAction = nullptr;
    QAction* exportAction = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refill();
    void updateActions();
    void showMenu(const QPoint& at);
    void tell(const QString& text, const QString& title, bool failed);
    QAction* action(const QString& text, const QKeySequence& keys, void (StationActions::*slot)());

    QWidget& m_window;
    StationListBox& m_box;
    QWidget* m_viewport = nullptr; // the box's, where files are dropped
    ListKind m_kind;
    AppServices m_services;
    std::optional<Stations> m_server;
    bool m_changing = false; // this list's own change, already shown
    bool m_refillPending = false;
    QList<QAction*> m_extra;
    bool m_showsOwn = false; // the box holds the listener's stations (a missing file keeps rows)
};

} // namespace kelvane
