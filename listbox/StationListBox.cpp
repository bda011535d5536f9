#include "listbox/StationListBox.h"

#include "catalogue/StationList.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

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
        m_stations.clear();
        m_stations.reserve(stations->names.size());
        for (qsizetype i = 0; i < stations->names.size(); ++i)
            m_stations.append({stations->names.at(i), stations->urls.value(i), {}});
        clear();
        setUpdatesEnabled(false);
        addItems(stations->names);
        setUpdatesEnabled(true);
    } else {
        adoptRows();
        for (ListedStation& s : m_stations) {
            s.url.reset();
            s.deadReason.clear();
        }
        for (int row = 0; row < count(); ++row)
            mark(row);
    }
    m_indexStale = true;
}

const ListedStation* StationListBox::station(int position) const
{
    return position >= 0 && position < m_stations.size() ? &m_stations.at(position) : nullptr;
}

QStringList StationListBox::addresses() const
{
    QStringList urls;
    for (const ListedStation& s : m_stations) {
        if (!s.url)
            break;
        urls.append(*s.url);
    }
    return urls;
}

void StationListBox::setAddresses(const QStringList& urls)
{
    adoptRows();
    for (qsizetype i = 0; i < m_stations.size(); ++i)
        m_stations[i].url = i < urls.size() ? std::optional<QString>(urls.at(i)) : std::nullopt;
}

void StationListBox::adoptRows()
{
    if (m_filtered || m_stations.size() == count())
        return;
    m_stations.clear();
    for (int row = 0; row < count(); ++row)
        m_stations.append({item(row)->text(), std::nullopt, {}});
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
        QStringList names;
        names.reserve(m_stations.size());
        for (const ListedStation& s : std::as_const(m_stations))
            names.append(s.name);
        m_index.build(names);
        m_indexStale = false;
    }
    const QList<int> found = m_index.match(m_field->text());
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
        for (const ListedStation& s : std::as_const(m_stations))
            names.append(s.name);
    } else {
        m_filtered = true;
        m_shown.clear();
        for (const int position : *positions) {
            if (position < m_stations.size())
                m_shown.append(position);
        }
        names.reserve(m_shown.size());
        for (const int position : std::as_const(m_shown))
            names.append(m_stations.at(position).name);
    }
    addItems(names);
    for (int row = 0; row < count(); ++row) {
        if (!m_stations.at(stationAt(row)).deadReason.isEmpty())
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
    m_stations[position].deadReason = reason;
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

void StationListBox::showTip(QHelpEvent* help)
{
    const QListWidgetItem* shown = itemAt(help->pos());
    const QRect cell = shown != nullptr ? visualItemRect(shown) : QRect();
    // A name cut off by the list's edge shows whole; a failed station says why.
    QStringList tip;
    if (shown != nullptr &&
        fontMetrics().horizontalAdvance(shown->text()) + 4 > viewport()->width() - cell.left())
        tip.append(shown->text());
    if (shown != nullptr && !shown->toolTip().isEmpty())
        tip.append(shown->toolTip());
    if (!tip.isEmpty())
        QToolTip::showText(help->globalPos(), tip.join(u'\n'), viewport(), cell);
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
