#include "windows/ListFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

namespace kelvane {

namespace {
const QColor kDeadColour(150, 150, 150);
}

ListFilter::ListFilter(QListWidget* list, std::function<void()> onPlay)
    : QObject(list), m_list(list), m_field(new QLineEdit(list)), m_onPlay(std::move(onPlay))
{
    m_field->hide();
    m_field->setPlaceholderText(QStringLiteral("拼音、首字母或名称"));
    m_field->setToolTip(QStringLiteral("输入拼音、拼音首字母或名称筛选电台；Esc 显示全部"));
    m_field->installEventFilter(this);
    list->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty())
            close();
        else
            refilter();
    });
}

void ListFilter::reset()
{
    if (isOpen()) {
        m_field->hide();
        m_field->clear();
    }
    m_filtered = false;
    m_shown.clear();
    m_dead.clear();
    m_names.clear();
    m_names.reserve(m_list->count());
    for (int i = 0; i < m_list->count(); ++i)
        m_names.append(m_list->item(i)->text());
    m_index.buildInBackground(m_names);
}

int ListFilter::stationAt(int row) const
{
    if (!m_filtered)
        return row >= 0 && row < m_list->count() ? row : -1;
    return row >= 0 && row < m_shown.size() ? m_shown.at(row) : -1;
}

int ListFilter::rowOf(int station) const
{
    if (!m_filtered)
        return station >= 0 && station < m_list->count() ? station : -1;
    const auto it = std::lower_bound(m_shown.cbegin(), m_shown.cend(), station);
    return it != m_shown.cend() && *it == station ? static_cast<int>(it - m_shown.cbegin()) : -1;
}

bool ListFilter::isOpen() const
{
    return m_field->isVisible();
}

void ListFilter::open(const QString& text)
{
    placeField();
    m_field->setText(text);
    m_field->show();
    m_field->raise();
    m_field->setFocus(Qt::OtherFocusReason);
    refilter();
}

void ListFilter::close()
{
    const QListWidgetItem* item = m_list->currentItem();
    const int keep = item != nullptr ? stationAt(m_list->row(item)) : -1;
    m_field->hide();
    m_field->clear();
    if (m_filtered)
        show(nullptr, keep);
    m_list->setFocus(Qt::OtherFocusReason);
}

void ListFilter::refilter()
{
    const QListWidgetItem* item = m_list->currentItem();
    const int keep = item != nullptr && item->isSelected() ? stationAt(m_list->row(item)) : -1;
    const QList<int> found = m_index.match(m_field->text());
    show(&found, keep);
}

void ListFilter::show(const QList<int>* stations, int keep)
{
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    if (stations == nullptr) {
        m_filtered = false;
        m_shown.clear();
        m_list->addItems(m_names);
    } else {
        m_filtered = true;
        m_shown = *stations;
        QStringList names;
        names.reserve(m_shown.size());
        for (const int station : std::as_const(m_shown))
            names.append(m_names.at(station));
        m_list->addItems(names);
    }
    for (auto it = m_dead.cbegin(); it != m_dead.cend(); ++it) {
        const int row = rowOf(it.key());
        if (row >= 0)
            mark(row, it.key());
    }
    int row = rowOf(keep);
    if (row < 0 && stations != nullptr && !m_shown.isEmpty())
        row = 0;
    if (row >= 0) {
        m_list->setCurrentRow(row);
        m_list->scrollToItem(m_list->item(row));
    }
    m_list->setUpdatesEnabled(true);
}

void ListFilter::setDead(int station, const QString& reason)
{
    if (station < 0 || station >= m_names.size())
        return;
    if (reason.isEmpty())
        m_dead.remove(station);
    else
        m_dead.insert(station, reason);
    const int row = rowOf(station);
    if (row >= 0)
        mark(row, station);
}

void ListFilter::mark(int row, int station)
{
    QListWidgetItem* item = m_list->item(row);
    const QString reason = m_dead.value(station);
    if (reason.isEmpty()) {
        item->setData(Qt::ForegroundRole, QVariant());
        item->setToolTip(QString());
    } else {
        item->setForeground(kDeadColour);
        item->setToolTip(reason);
    }
}

void ListFilter::placeField()
{
    const int height = m_field->sizeHint().height();
    m_field->setGeometry(0, m_list->height() - height, m_list->width(), height);
}

bool ListFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_list) {
        // A printable key starts filtering; navigation and Enter stay the list's.
        const QString text = key->text();
        const bool plain =
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
            open(text);
            return true;
        }
        return false;
    }
    if (watched == m_field) {
        switch (key->key()) {
        case Qt::Key_Escape:
            close();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_onPlay)
                m_onPlay();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The field keeps the keyboard; the list moves its selection.
            QCoreApplication::sendEvent(m_list, event);
            return true;
        default:
            break;
        }
    }
    return false;
}

} // namespace kelvane
