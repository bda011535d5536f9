#include "windows/StationActions.h"

#include "listbox/StationListBox.h"
#include "platform/MessageBox.h"
#include "stations/SafeFile.h"
#include "windows/PlaylistImport.h"
#include "windows/StationDialogs.h"

#include <QAction>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace kelvane {

namespace {

PlaylistEntry entryOf(const ListedStation& s)
{
    PlaylistEntry e;
    e.name = s.name;
    e.url = s.url.value_or(QString());
    e.group = s.group;
    return e;
}

ListedStation listed(const PlaylistEntry& e, bool own)
{
    ListedStation s;
    s.name = e.name;
    s.url = e.url;
    s.group = e.group;
    s.own = own;
    return s;
}

// Dropped files and addresses a playlist may come from.
QStringList droppedSources(const QMimeData* mime)
{
    QStringList sources;
    if (mime == nullptr || !mime->hasUrls())
        return sources;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            sources.append(url.toLocalFile());
        else if (url.scheme() == u"http" || url.scheme() == u"https")
            sources.append(url.toString());
    }
    return sources;
}

} // namespace

StationActions::StationActions(QWidget& window, StationListBox& box, ListKind kind,
                               const AppServices& services)
    : QObject(&window), m_window(window), m_box(box), m_kind(kind), m_services(services)
{
    starAction = action(QStringLiteral("收藏"), QKeySequence(Qt::CTRL | Qt::Key_D),
                        &StationActions::toggleStar);
    addAction = action(QStringLiteral("添加电台…"), QKeySequence(Qt::CTRL | Qt::Key_N),
                       &StationActions::addStation);
    editAction = action(QStringLiteral("编辑…"), QKeySequence(), &StationActions::editStation);
    removeAction = action(QStringLiteral("删除"), QKeySequence(Qt::Key_Delete),
                          &StationActions::removeStation);
    importAction = action(QStringLiteral("导入播放列表…"), QKeySequence(Qt::CTRL | Qt::Key_O),
                          &StationActions::importPlaylist);
    exportAction =
        action(QStringLiteral("导出播放列表…"), QKeySequence(), &StationActions::exportPlaylist);
    m_box.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_box, &QWidget::customContextMenuRequested, this, &StationActions::showMenu);
    connect(&m_box, &QListWidget::currentRowChanged, this, &StationActions::updateActions);
    m_box.setAcceptDrops(true);
    m_viewport = m_box.viewport();
    m_viewport->installEventFilter(this);
    if (m_services.stations != nullptr) {
        connect(m_services.stations, &StationStore::changed, this, [this](ListKind changed) {
            // Coalesced, and after the change's caller has let go of what it changed with (an
            // import of thousands is not held twice while the list fills).
            if (changed != m_kind || m_changing || m_refillPending)
                return;
            m_refillPending = true;
            QTimer::singleShot(0, this, [this] {
                if (m_refillPending)
                    refill();
            });
        });
    }
    updateActions();
}

QAction* StationActions::action(const QString& text, const QKeySequence& keys,
                                void (StationActions::*slot)())
{
    auto* a = new QAction(text, &m_box);
    if (!keys.isEmpty()) {
        a->setShortcut(keys);
        // Only while this list (or its filter field) has the keyboard: the TV window has two.
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_box.addAction(a);
    }
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void StationActions::load(const std::optional<Stations>& server)
{
    m_server = server;
    refill();
}

void StationActions::refill()
{
    m_refillPending = false;
    StationStore* store = m_services.stations;
    QList<PlaylistEntry> own = store != nullptr ? store->own(m_kind) : QList<PlaylistEntry>();
    const QList<PlaylistEntry> favourites =
        store != nullptr ? store->favourites(m_kind) : QList<PlaylistEntry>();
    if (own.isEmpty() && favourites.isEmpty() && (m_server || !m_showsOwn)) {
        // Nothing of the listener's: the list is exactly its file.
        m_box.fillList(m_server);
        m_showsOwn = false;
    } else {
        m_showsOwn = true;
        QList<ListedStation> rest;
        if (m_server) {
            rest.reserve(m_server->names.size() + own.size());
            for (qsizetype i = 0; i < m_server->names.size(); ++i) {
                ListedStation s;
                s.name = m_server->names.at(i);
                s.url = m_server->urls.value(i);
                rest.append(std::move(s));
            }
        }
        for (const PlaylistEntry& e : std::as_const(own))
            rest.append(listed(e, true));
        own = {}; // the box keeps what it shows; a list of thousands need not be held twice
        QList<ListedStation> starred;
        starred.reserve(favourites.size());
        for (const PlaylistEntry& e : favourites)
            starred.append(listed(e, store->isOwn(m_kind, e.url)));
        m_box.fillStations(starred, std::move(rest));
    }
    updateActions();
}

void StationActions::updateActions()
{
    const ListedStation* s = m_box.station(m_box.selectedPosition());
    const bool usable = m_services.stations != nullptr;
    starAction->setText(s != nullptr && s->starred ? QStringLiteral("取消收藏")
                                                   : QStringLiteral("收藏"));
    starAction->setEnabled(usable && s != nullptr && s->url && !s->url->isEmpty());
    editAction->setEnabled(usable && s != nullptr && s->own);
    removeAction->setEnabled(usable && s != nullptr && s->own);
    addAction->setEnabled(usable);
    importAction->setEnabled(usable);
    exportAction->setEnabled(usable);
}

void StationActions::showMenu(const QPoint& at)
{
    updateActions();
    QPointer<QMenu> menu = new QMenu(&m_window);
    menu->addAction(starAction);
    menu->addSeparator();
    menu->addAction(addAction);
    menu->addAction(editAction);
    menu->addAction(removeAction);
    menu->addSeparator();
    menu->addAction(importAction);
    menu->addAction(exportAction);
    if (!m_extra.isEmpty())
        menu->addSeparator();
    menu->addActions(m_extra);
    menu->exec(m_box.viewport()->mapToGlobal(at));
    delete menu.data();
}

void StationActions::toggleStar()
{
    const int position = m_box.selectedPosition();
    const ListedStation* s = m_box.station(position);
    if (m_services.stations == nullptr || s == nullptr || !s->url || s->url->isEmpty())
        return;
    const bool starred = !s->starred;
    m_changing = true;
    m_services.stations->setFavourite(m_kind, entryOf(*s), starred);
    m_changing = false;
    // Moved in place, not refilled: the save runs on its own thread.
    m_box.setStarred(position, starred);
    updateActions();
}

void StationActions::addStation()
{
    if (m_services.stations == nullptr || m_services.dialogs == nullptr)
        return;
    const std::optional<TypedStation> typed =
        m_services.dialogs->editStation(&m_window, QStringLiteral("添加电台"), {});
    if (!typed)
        return;
    PlaylistRead read;
    PlaylistEntry entry;
    entry.name = typed->name;
    entry.url = typed->url;
    read.entries.append(entry);
    QSet<QString> urls;
    if (m_server)
        urls = QSet<QString>(m_server->urls.cbegin(), m_server->urls.cend());
    const ImportCount count = m_services.stations->addOwn(
        m_kind, read, urls, m_server ? static_cast<int>(m_server->names.size()) : 0);
    refill();
    if (count.accepted.isEmpty()) {
        tell(count.duplicate > 0 ? QStringLiteral("列表中已有这个地址的电台。")
                                 : QStringLiteral("列表已满，不能再添加电台。"),
             QStringLiteral("添加电台"), true);
        return;
    }
    const int row = m_box.rowOf(m_box.findStation(entry.name, entry.url));
    if (row >= 0) {
        m_box.setCurrentRow(row);
        m_box.scrollToItem(m_box.item(row));
    }
}

void StationActions::editStation()
{
    const ListedStation* s = m_box.station(m_box.selectedPosition());
    if (m_services.stations == nullptr || m_services.dialogs == nullptr || s == nullptr || !s->own)
        return;
    const QString oldUrl = s->url.value_or(QString());
    const std::optional<TypedStation> typed =
        m_services.dialogs->editStation(&m_window, QStringLiteral("编辑电台"), {s->name, oldUrl});
    if (!typed)
        return;
    PlaylistEntry entry;
    for (const PlaylistEntry& e : m_services.stations->own(m_kind)) {
        if (e.url == oldUrl)
            entry = e; // keeps its group and attributes
    }
    entry.name = typed->name;
    entry.url = typed->url;
    const bool edited = m_services.stations->editOwn(m_kind, oldUrl, entry);
    refill();
    if (!edited) {
        tell(QStringLiteral("无法保存：这个地址已是你的另一个电台。"), QStringLiteral("编辑电台"),
             true);
        return;
    }
    const int row = m_box.rowOf(m_box.findStation(entry.name, entry.url));
    if (row >= 0)
        m_box.setCurrentRow(row);
}

void StationActions::removeStation()
{
    const ListedStation* s = m_box.station(m_box.selectedPosition());
    if (m_services.stations == nullptr || m_services.dialogs == nullptr || s == nullptr || !s->own)
        return;
    const QString url = s->url.value_or(QString());
    if (!m_services.dialogs->confirm(&m_window, QStringLiteral("删除电台“%1”？").arg(s->name),
                                     QStringLiteral("删除电台")))
        return;
    m_services.stations->removeOwn(m_kind, url);
    refill();
}

void StationActions::importPlaylist()
{
    if (m_services.stations == nullptr || m_services.dialogs == nullptr)
        return;
    const QString source = m_services.dialogs->importSource(&m_window);
    if (!source.isEmpty())
        importSources({source});
}

void StationActions::importSources(const QStringList& sources)
{
    if (m_services.stations == nullptr || sources.isEmpty())
        return;
    (new PlaylistImport(sources, &m_window, m_services, this))->start();
}

void StationActions::exportPlaylist()
{
    if (m_services.stations == nullptr || m_services.dialogs == nullptr)
        return;
    const auto target =
        m_services.dialogs->exportTarget(&m_window, listName(m_kind) + QStringLiteral(".m3u8"));
    if (!target)
        return;
    QList<PlaylistEntry> entries;
    switch (target->first) {
    case StationDialogs::Export::List:
        for (int i = 0; i < m_box.stationCount(); ++i) {
            const ListedStation* s = m_box.station(i);
            if (s->url && !s->url->isEmpty())
                entries.append(entryOf(*s));
        }
        break;
    case StationDialogs::Export::Own:
        entries = m_services.stations->own(m_kind);
        break;
    case StationDialogs::Export::Favourites:
        entries = m_services.stations->favourites(m_kind);
        break;
    }
    QString error;
    if (saveAtomically(target->second, writePlaylist(entries), &error))
        tell(QStringLiteral("已导出 %1 个电台到 %2").arg(entries.size()).arg(target->second),
             QStringLiteral("导出播放列表"), false);
    else
        tell(QStringLiteral("无法写入 %1：%2").arg(target->second, error),
             QStringLiteral("导出播放列表"), true);
}

void StationActions::tell(const QString& text, const QString& title, bool failed)
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(&m_window, text, title,
                                    failed ? MessageBox::Icon::Warning
                                           : MessageBox::Icon::Information);
}

bool StationActions::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the pointer kept: events still come while the box is half destroyed.
    if (watched != m_viewport || m_services.stations == nullptr)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (droppedSources(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList sources = droppedSources(drop->mimeData());
        if (sources.isEmpty())
            return false;
        drop->acceptProposedAction();
        importSources(sources);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace kelvane
