#include "listbox/StationListBox.h"

#include "catalogue/StationList.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>

#include <QHash>

#include <algorithm>
#include <iterator>

namespace kelvane {

namespace {
const QColor kDeadColour(150, 150, 150);
}

StationListBox::StationListBox(QWidget* parent) : QListWidget(parent), m_field(new QLineEdit(this))
{
    m_field->hide();
    m_field->setPlaceholderText(QStringLiteral("拼音、首字母或名称"));
    m_field->setToolTip(QStringLiteral("输入拼音、拼音首字母或名称筛选电台；Esc 显示全部"));
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty())
            closeFilter();
        else
            refilter();
    });
    connect(this, &QListWidget::itemDoubleClicked, this, &StationListBox::choose);
}

void StationListBox::fillList(const std::optional<Stations>& stations)
{
    if (isFiltering()) {
        m_field->hide();
        m_field->clear();
    }
    if (m_filtered)
        showStations(nullptr, -1);
    if (stations) {
        QList<Entry> entries;
        entries.reserve(stations->names.size());
        for (qsizetype i = 0; i < stations->names.size(); ++i) {
            Entry e;
            e.station.name = stations->names.at(i);
            e.station.url = stations->urls.value(i);
            e.key = e.home = static_cast<int>(i);
            entries.append(std::move(e));
        }
        startOver(std::move(entries));
        clear();
        setUpdatesEnabled(false);
        addItems(stations->names);
        setUpdatesEnabled(true);
    } else {
        adoptRows();
        for (Entry& e : m_stations) {
            e.station.url.reset();
            e.station.deadReason.clear();
        }
        for (int row = 0; row < count(); ++row)
            mark(row);
    }
    m_indexStale = true;
}

void StationListBox::fillStations(const QList<ListedStation>& favourites, QList<ListedStation> rest)
{
    // What carries over: failure marks and the selected station, by address.
    QHash<QString, QString> dead;
    for (const Entry& e : std::as_const(m_stations)) {
        if (!e.station.deadReason.isEmpty() && e.station.url)
            dead.insert(*e.station.url, e.station.deadReason);
    }
    const ListedStation* selected = station(selectedPosition());
    const std::optional<QString> keepUrl = selected != nullptr ? selected->url : std::nullopt;
    if (isFiltering()) {
        m_field->hide();
        m_field->clear();
    }
    if (m_filtered)
        showStations(nullptr, -1);

    // Favourites are few: the rest is matched against them, not indexed itself.
    QHash<QString, int> favouriteAt;
    for (qsizetype j = 0; j < favourites.size(); ++j) {
        const std::optional<QString>& url = favourites.at(j).url;
        if (url && !favouriteAt.contains(*url))
            favouriteAt.insert(*url, static_cast<int>(j));
    }
    QList<int> restOf(favourites.size(), -1); // each favourite's place in the rest
    QList<bool> taken(rest.size(), false);
    if (!favouriteAt.isEmpty()) {
        for (qsizetype i = 0; i < rest.size(); ++i) {
            const int j = rest.at(i).url ? favouriteAt.value(*rest.at(i).url, -1) : -1;
            if (j >= 0 && restOf.at(j) < 0) {
                restOf[j] = static_cast<int>(i);
                taken[i] = true;
            }
        }
    }
    QList<Entry> entries;
    entries.reserve(std::min<qsizetype>(favourites.size() + rest.size(), kMaxStations));
    for (qsizetype j = 0; j < favourites.size(); ++j) {
        const ListedStation& favourite = favourites.at(j);
        if (favourite.url && favouriteAt.value(*favourite.url) != j)
            continue; // starred twice
        const int at = restOf.at(j);
        Entry e;
        e.station = at >= 0 ? std::move(rest[at]) : favourite;
        e.station.starred = true;
        e.home = at;
        entries.append(std::move(e));
    }
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (!taken.at(i)) {
            Entry e;
            e.station = std::move(rest[i]);
            e.station.starred = false;
            e.home = static_cast<int>(i);
            entries.append(std::move(e));
        }
    }
    rest = {};
    if (entries.size() > kMaxStations) {
        // The list server's last stations give way, never the listener's.
        qsizetype excess = entries.size() - kMaxStations;
        QList<bool> drop(entries.size(), false);
        for (qsizetype i = entries.size() - 1; i >= 0 && excess > 0; --i) {
            if (!entries.at(i).station.starred && !entries.at(i).station.own) {
                drop[i] = true;
                --excess;
            }
        }
        qsizetype kept = 0;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (!drop.at(i)) {
                if (kept != i)
                    entries[kept] = std::move(entries[i]);
                ++kept;
            }
        }
        entries.resize(std::min<qsizetype>(kept, kMaxStations));
    }
    QStringList texts;
    texts.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        e.key = static_cast<int>(i);
        if (!dead.isEmpty() && e.station.url)
            e.station.deadReason = dead.value(*e.station.url);
        texts.append(rowText(e.station));
    }
    startOver(std::move(entries));
    setUpdatesEnabled(false);
    clear();
    addItems(texts);
    int keep = -1;
    for (int row = 0; row < count(); ++row) {
        const ListedStation& s = m_stations.at(row).station;
        if (!s.deadReason.isEmpty())
            mark(row);
        if (keep < 0 && keepUrl && s.url == keepUrl)
            keep = row;
    }
    if (keep >= 0) {
        setCurrentRow(keep);
        scrollToItem(item(keep));
    }
    setUpdatesEnabled(true);
    m_indexStale = true;
}

void StationListBox::startOver(QList<Entry> entries)
{
    m_stations = std::move(entries);
    m_keyCount = m_stations.size();
    ++m_fill;
    m_starred = 0;
    m_hasGroups = false;
    for (const Entry& e : std::as_const(m_stations)) {
        m_starred += e.station.starred ? 1 : 0;
        m_hasGroups = m_hasGroups || !e.station.group.isEmpty();
    }
    placeKeys();
}

void StationListBox::placeKeys()
{
    m_positionOfKey.fill(-1, m_keyCount);
    for (qsizetype i = 0; i < m_stations.size(); ++i)
        m_positionOfKey[m_stations.at(i).key] = static_cast<int>(i);
}

QString StationListBox::rowText(const ListedStation& station)
{
    return station.starred ? QStringLiteral("★ ") + station.name : station.name;
}

int StationListBox::setStarred(int position, bool starred)
{
    adoptRows();
    if (position < 0 || position >= m_stations.size())
        return -1;
    if (m_stations.at(position).station.starred == starred)
        return position;
    const int selectedKey = [this] {
        const int p = selectedPosition();
        return p >= 0 ? m_stations.at(p).key : -1;
    }();
    Entry moved = m_stations.takeAt(position);
    moved.station.starred = starred;
    int to = -1;
    if (starred) {
        to = m_starred++;
    } else {
        --m_starred;
        if (moved.home >= 0) {
            const auto it =
                std::upper_bound(m_stations.cbegin() + m_starred, m_stations.cend(), moved.home,
                                 [](int home, const Entry& e) { return home < e.home; });
            to = static_cast<int>(it - m_stations.cbegin());
        }
    }
    if (to >= 0)
        m_stations.insert(to, moved);
    placeKeys();
    m_indexStale = m_indexStale || to < 0;

    setUpdatesEnabled(false);
    if (m_filtered) {
        QList<int> positions;
        for (const int key : std::as_const(m_matched)) {
            const int p = m_positionOfKey.value(key, -1);
            if (p >= 0)
                positions.append(p);
        }
        std::sort(positions.begin(), positions.end());
        showStations(&positions, selectedKey >= 0 ? m_positionOfKey.value(selectedKey) : -1);
    } else {
        QListWidgetItem* shown = takeItem(position);
        if (to >= 0) {
            shown->setText(rowText(moved.station));
            insertItem(to, shown);
        } else {
            delete shown;
        }
        const int keep = selectedKey >= 0 ? m_positionOfKey.value(selectedKey) : -1;
        if (keep >= 0) {
            setCurrentRow(keep);
            scrollToItem(item(keep));
        }
    }
    setUpdatesEnabled(true);
    return to;
}

qint64 StationListBox::keyOf(int position) const
{
    if (position < 0 || position >= m_stations.size())
        return -1;
    return (static_cast<qint64>(m_fill) << 32) | m_stations.at(position).key;
}

int StationListBox::positionOf(qint64 key) const
{
    if (key < 0 || static_cast<quint32>(key >> 32) != m_fill)
        return -1;
    return m_positionOfKey.value(static_cast<int>(key & 0xffffffff), -1);
}

int StationListBox::findStation(const QString& name, const QString& url) const
{
    int byName = -1;
    for (qsizetype i = 0; i < m_stations.size(); ++i) {
        const ListedStation& s = m_stations.at(i).station;
        if (s.name != name)
            continue;
        if (url.isEmpty() || s.url == url)
            return static_cast<int>(i);
        if (byName < 0)
            byName = static_cast<int>(i);
    }
    return byName;
}

const ListedStation* StationListBox::station(int position) const
{
    return position >= 0 && position < m_stations.size() ? &m_stations.at(position).station
                                                         : nullptr;
}

QStringList StationListBox::addresses() const
{
    QStringList urls;
    for (const Entry& e : m_stations) {
        if (!e.station.url)
            break;
        urls.append(*e.station.url);
    }
    return urls;
}

void StationListBox::setAddresses(const QStringList& urls)
{
    adoptRows();
    for (qsizetype i = 0; i < m_stations.size(); ++i)
        m_stations[i].station.url =
            i < urls.size() ? std::optional<QString>(urls.at(i)) : std::nullopt;
}

void StationListBox::adoptRows()
{
    if (m_filtered || m_stations.size() == count())
        return;
    QList<Entry> entries;
    for (int row = 0; row < count(); ++row) {
        Entry e;
        e.station.name = item(row)->text();
        e.key = e.home = row;
        entries.append(std::move(e));
    }
    startOver(std::move(entries));
}

int StationListBox::selectedPosition() const
{
    const QListWidgetItem* current = currentItem();
    if (current == nullptr || !current->isSelected())
        return -1;
    return stationAt(row(current));
}

bool StationListBox::selectNeighbour(int delta)
{
    const int rows = count();
    if (rows == 0)
        return false;
    const QListWidgetItem* current = currentItem();
    const int at = current != nullptr && current->isSelected() ? row(current) : -1;
    const int next = at < 0 ? 0 : ((at + delta) % rows + rows) % rows;
    setCurrentRow(next);
    scrollToItem(item(next));
    return true;
}

int StationListBox::stationAt(int row) const
{
    if (!m_filtered)
        return row >= 0 && row < count() ? row : -1;
    return row >= 0 && row < m_shown.size() ? m_shown.at(row) : -1;
}

int StationListBox::rowOf(int position) const
{
    if (!m_filtered)
        return position >= 0 && position < count() ? position : -1;
    const auto it = std::lower_bound(m_shown.cbegin(), m_shown.cend(), position);
    return it != m_shown.cend() && *it == position ? static_cast<int>(it - m_shown.cbegin()) : -1;
}

bool StationListBox::isFiltering() const
{
    return m_field->isVisible();
}

void StationListBox::openFilter(const QString& text)
{
    const int height = m_field->sizeHint().height();
    m_field->setGeometry(0, this->height() - height, width(), height);
    m_field->setText(text);
    m_field->show();
    m_field->raise();
    m_field->setFocus(Qt::OtherFocusReason);
    refilter();
}

void StationListBox::closeFilter()
{
    const QListWidgetItem* current = currentItem();
    const int keep = current != nullptr ? stationAt(row(current)) : -1;
    m_field->hide();
    m_field->clear();
    if (m_filtered)
        showStations(nullptr, keep);
    setFocus(Qt::OtherFocusReason);
}

void StationListBox::refilter()
{
    adoptRows();
    const int keep = selectedPosition();
    if (m_indexStale) {
        // Built when first typed in, not at load: the pinyin tables are megabytes that a listener
        // who never types should not carry for the whole run.
        // By key: the indexes stay right while starred stations move.
        QStringList names(m_positionOfKey.size());
        QStringList groups(m_hasGroups ? m_positionOfKey.size() : 0);
        for (const Entry& e : std::as_const(m_stations)) {
            names[e.key] = e.station.name;
            if (m_hasGroups)
                groups[e.key] = e.station.group;
        }
        m_index.build(names);
        m_groupIndex.build(groups);
        m_indexStale = false;
    }
    m_matched = m_index.match(m_field->text());
    if (m_hasGroups) {
        const QList<int> inGroup = m_groupIndex.match(m_field->text());
        QList<int> both;
        std::set_union(m_matched.cbegin(), m_matched.cend(), inGroup.cbegin(), inGroup.cend(),
                       std::back_inserter(both));
        m_matched = both;
    }
    QList<int> found;
    found.reserve(m_matched.size());
    for (const int key : std::as_const(m_matched)) {
        const int p = m_positionOfKey.value(key, -1);
        if (p >= 0)
            found.append(p);
    }
    std::sort(found.begin(), found.end());
    showStations(&found, keep);
}

void StationListBox::showStations(const QList<int>* positions, int keep)
{
    setUpdatesEnabled(false);
    clear();
    QStringList names;
    if (positions == nullptr) {
        m_filtered = false;
        m_shown.clear();
        names.reserve(m_stations.size());
        for (const Entry& e : std::as_const(m_stations))
            names.append(rowText(e.station));
    } else {
        m_filtered = true;
        m_shown.clear();
        for (const int position : *positions) {
            if (position < m_stations.size())
                m_shown.append(position);
        }
        names.reserve(m_shown.size());
        for (const int position : std::as_const(m_shown))
            names.append(rowText(m_stations.at(position).station));
    }
    addItems(names);
    for (int row = 0; row < count(); ++row) {
        if (!m_stations.at(stationAt(row)).station.deadReason.isEmpty())
            mark(row);
    }
    int row = rowOf(keep);
    if (row < 0 && positions != nullptr && !m_shown.isEmpty())
        row = 0;
    if (row >= 0) {
        setCurrentRow(row);
        scrollToItem(item(row));
    }
    setUpdatesEnabled(true);
}

void StationListBox::setDead(int position, const QString& reason)
{
    adoptRows();
    if (position < 0 || position >= m_stations.size())
        return;
    m_stations[position].station.deadReason = reason;
    const int row = rowOf(position);
    if (row >= 0)
        mark(row);
}

void StationListBox::mark(int row)
{
    QListWidgetItem* shown = item(row);
    const ListedStation* s = station(stationAt(row));
    if (shown == nullptr || s == nullptr)
        return;
    if (s->deadReason.isEmpty()) {
        shown->setData(Qt::ForegroundRole, QVariant());
        shown->setToolTip(QString());
    } else {
        shown->setForeground(kDeadColour);
        shown->setToolTip(s->deadReason);
    }
}

void StationListBox::choose()
{
    const int position = selectedPosition();
    const ListedStation* s = station(position);
    Q_EMIT chosen(s != nullptr ? position : -1, s != nullptr ? *s : ListedStation());
}

void StationListBox::keyPressEvent(QKeyEvent* event)
{
    // A printable key starts filtering; Enter chooses; navigation stays the list's.
    const QString text = event->text();
    const bool plain =
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
        openFilter(text);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose();
        return;
    }
    QListWidget::keyPressEvent(event);
}

bool StationListBox::viewportEvent(QEvent* event)
{
    // A double click on the list's empty part is a double click on the list all the same: with
    // nothing selected it reaches the no-selection path.
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && itemAt(mouse->position().toPoint()) == nullptr) {
            choose();
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip) {
        showTip(static_cast<QHelpEvent*>(event));
        return true;
    }
    return QListWidget::viewportEvent(event);
}

QString StationListBox::tipOf(int row) const
{
    const QListWidgetItem* shown = item(row);
    const ListedStation* s = station(stationAt(row));
    if (shown == nullptr)
        return {};
    // A name cut off by the list's edge shows whole; a failed station says why; a station from a
    // playlist names its group (made here, not kept per row: a playlist has thousands).
    QStringList tip;
    const QRect cell = visualItemRect(shown);
    if (fontMetrics().horizontalAdvance(shown->text()) + 4 > viewport()->width() - cell.left())
        tip.append(shown->text());
    if (!shown->toolTip().isEmpty())
        tip.append(shown->toolTip());
    if (s != nullptr && !s->group.isEmpty())
        tip.append(QStringLiteral("分组：") + s->group);
    return tip.join(u'\n');
}

void StationListBox::showTip(QHelpEvent* help)
{
    const QListWidgetItem* shown = itemAt(help->pos());
    const QString tip = shown != nullptr ? tipOf(row(shown)) : QString();
    if (!tip.isEmpty())
        QToolTip::showText(help->globalPos(), tip, viewport(), visualItemRect(shown));
    else
        QToolTip::hideText();
}

bool StationListBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QListWidget::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
        closeFilter();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The field keeps the keyboard; the list moves its selection.
        QCoreApplication::sendEvent(this, event);
        return true;
    default:
        return QListWidget::eventFilter(watched, event);
    }
}

} // namespace kelvane
