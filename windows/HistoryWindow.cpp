#include "windows/HistoryWindow.h"

#include "stations/History.h"
#include "windows/RadioWindow.h"
#include "windows/VideoWindow.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kelvane {

namespace {

QString kindText(ListKind kind)
{
    return kind == ListKind::Radio ? QStringLiteral("电台") : QStringLiteral("电视");
}

QString whenText(const QDateTime& started)
{
    const QDateTime local = started.toLocalTime();
    return local.date() == QDate::currentDate() ? local.toString(QStringLiteral("HH:mm"))
                                                : local.toString(QStringLiteral("MM-dd HH:mm"));
}

} // namespace

HistoryWindow::HistoryWindow(FormRegistry& forms, const AppServices& services)
    : Form(QStringLiteral("frmHistory"), forms), m_services(services)
{
    setWindowTitle(QStringLiteral("最近播放"));
    setWindowFlag(Qt::WindowStaysOnTopHint); // above the docked player windows
    resize(420, 400);

    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels(
        {QStringLiteral("时间"), QStringLiteral("电台"), QStringLiteral("类别")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_list->setColumnWidth(0, 90);
    m_list->setColumnWidth(2, 50);
    m_list->installEventFilter(this);
    auto* clearButton = new QPushButton(QStringLiteral("清除"), this);
    clearButton->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(clearButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);

    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { replay(); });
    connect(clearButton, &QPushButton::clicked, this, &HistoryWindow::clear);
    if (m_services.history != nullptr)
        connect(m_services.history, &History::changed, this, &HistoryWindow::fill);
}

void HistoryWindow::Form_Load()
{
    fill();
}

void HistoryWindow::fill()
{
    m_list->clear();
    if (m_services.history == nullptr)
        return;
    const QList<Played> entries = m_services.history->entries();
    QList<QTreeWidgetItem*> rows;
    for (const Played& p : entries) {
        auto* row = new QTreeWidgetItem({whenText(p.started), p.name, kindText(p.kind)});
        row->setToolTip(1, p.name + u'\n' + p.url);
        rows.append(row);
    }
    m_list->addTopLevelItems(rows);
    // The most recent first, and selected: Enter plays it again.
    if (QTreeWidgetItem* first = m_list->topLevelItem(0))
        m_list->setCurrentItem(first);
}

void HistoryWindow::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    activateWindow();
    if (QTreeWidgetItem* first = m_list->topLevelItem(0))
        m_list->setCurrentItem(first);
    m_list->setFocus(Qt::OtherFocusReason);
}

void HistoryWindow::replay()
{
    if (m_services.history == nullptr || m_list->currentItem() == nullptr)
        return;
    const int index = m_list->indexOfTopLevelItem(m_list->currentItem());
    const QList<Played> entries = m_services.history->entries();
    if (index < 0 || index >= entries.size())
        return;
    const Played played = entries.at(index);
    if (played.kind == ListKind::Radio) {
        if (auto* radio = qobject_cast<RadioWindow*>(forms().show(QStringLiteral("frmMain"))))
            radio->playAddress(played.name, played.url); // it moves the station to the top
    } else if (auto* video = qobject_cast<VideoWindow*>(forms().show(QStringLiteral("frmTV")))) {
        video->playStation(played.name, played.url);
        // The desktop's media controls follow it, as a station from the TV window's list.
        if (auto* tv = qobject_cast<PlayerWindow*>(forms().find(QStringLiteral("frmMainTV"))))
            Q_EMIT tv->stationStarted(video->wmpt);
        Played again = played;
        again.started = QDateTime::currentDateTimeUtc();
        m_services.history->add(again);
    }
}

void HistoryWindow::clear()
{
    if (m_services.history != nullptr)
        m_services.history->clear();
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            replay();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void HistoryWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Unload();
        return;
    }
    Form::keyPressEvent(event);
}

} // namespace kelvane
