#include "windows/DirectoryWindow.h"

#include "net/NetworkAddress.h"
#include "stations/StationStore.h"
#include "windows/RadioWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kelvane {

namespace {

const QString kChina = QStringLiteral("CN");

// The countries offered first; any other is one search away by name.
const QList<std::pair<QString, QString>> kCountries = {
    {QStringLiteral("所有国家"), QString()},
    {QStringLiteral("中国"), kChina},
    {QStringLiteral("美国"), QStringLiteral("US")},
    {QStringLiteral("英国"), QStringLiteral("GB")},
    {QStringLiteral("日本"), QStringLiteral("JP")},
    {QStringLiteral("韩国"), QStringLiteral("KR")},
    {QStringLiteral("德国"), QStringLiteral("DE")},
    {QStringLiteral("法国"), QStringLiteral("FR")},
    {QStringLiteral("加拿大"), QStringLiteral("CA")},
    {QStringLiteral("澳大利亚"), QStringLiteral("AU")},
    {QStringLiteral("新加坡"), QStringLiteral("SG")},
};

DirectoryClient::Options clientOptions(const AppServices& services)
{
    DirectoryClient::Options options;
    options.base = services.directoryUrl.isEmpty() ? directoryBaseUrl()
                                                   : QUrl(services.directoryUrl, QUrl::StrictMode);
    return options;
}

} // namespace

DirectoryWindow::DirectoryWindow(FormRegistry& forms, const AppServices& services)
    : Form(QStringLiteral("frmDirectory"), forms), m_services(services),
      m_client(new DirectoryClient(clientOptions(services), this))
{
    setWindowTitle(QStringLiteral("电台目录"));
    // Above the docked player windows, which stay on top themselves.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    resize(600, 440);

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("电台名称"));
    m_search->setMaxLength(200);
    m_country = new QComboBox(this);
    for (const auto& [name, code] : kCountries)
        m_country->addItem(name, code);
    m_china = new QToolButton(this);
    m_china->setText(QStringLiteral("中国"));
    m_china->setToolTip(QStringLiteral("只看中国的电台"));
    m_tag = new QLineEdit(this);
    m_tag->setPlaceholderText(QStringLiteral("标签"));
    m_tag->setMaxLength(100);
    auto* go = new QPushButton(QStringLiteral("搜索"), this);
    go->setAutoDefault(false);

    m_results = new QTreeWidget(this);
    m_results->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("国家"),
                                QStringLiteral("格式"), QStringLiteral("码率")});
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setAllColumnsShowFocus(true);
    m_results->setTextElideMode(Qt::ElideRight);
    m_results->header()->setStretchLastSection(false);
    m_results->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_results->setColumnWidth(1, 110);
    m_results->setColumnWidth(2, 60);
    m_results->setColumnWidth(3, 70);
    m_results->installEventFilter(this);

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_favourite = new QPushButton(QStringLiteral("收藏"), this);
    m_favourite->setToolTip(QStringLiteral("加入我的电台 (Ctrl+D)"));
    m_favourite->setAutoDefault(false);
    m_favourite->setEnabled(m_services.stations != nullptr);
    m_more = new QPushButton(QStringLiteral("更多"), this);
    m_more->setAutoDefault(false);
    m_more->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(m_search, 3);
    top->addWidget(m_country, 1);
    top->addWidget(m_china);
    top->addWidget(m_tag, 1);
    top->addWidget(go);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_favourite);
    bottom->addWidget(m_more);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_results, 1);
    layout->addLayout(bottom);

    connect(m_search, &QLineEdit::returnPressed, this, &DirectoryWindow::search);
    connect(m_tag, &QLineEdit::returnPressed, this, &DirectoryWindow::search);
    connect(go, &QPushButton::clicked, this, &DirectoryWindow::search);
    connect(m_china, &QToolButton::clicked, this, [this] {
        m_country->setCurrentIndex(m_country->findData(kChina));
        search();
    });
    connect(m_more, &QPushButton::clicked, this, &DirectoryWindow::more);
    connect(m_favourite, &QPushButton::clicked, this, &DirectoryWindow::favourite);
    connect(m_results, &QTreeWidget::itemDoubleClicked, this, [this] { play(); });
    auto* star = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(star, &QShortcut::activated, this, &DirectoryWindow::favourite);
    // What was just played here is one key away, as from the player windows.
    auto* history = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(history, &QShortcut::activated, this, [this] {
        if (this->forms().isRegistered(QStringLiteral("frmHistory")))
            this->forms().show(QStringLiteral("frmHistory"));
    });

    connect(m_client, &DirectoryClient::found, this, &DirectoryWindow::showResults);
    connect(m_client, &DirectoryClient::failed, this, &DirectoryWindow::failed);
    connect(m_client, &DirectoryClient::resolved, this, &DirectoryWindow::resolved);
}

void DirectoryWindow::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    activateWindow();
    m_search->setFocus(Qt::OtherFocusReason);
    m_search->selectAll();
}

void DirectoryWindow::setStatus(const QString& text)
{
    m_status->setText(text);
    m_status->setToolTip(text);
}

QString DirectoryWindow::statusText() const
{
    return m_status->text();
}

void DirectoryWindow::search()
{
    DirectoryQuery query;
    query.name = m_search->text().trimmed();
    query.tag = m_tag->text().trimmed();
    query.countryCode = m_country->currentData().toString();
    m_more->setEnabled(false);
    setStatus(QStringLiteral("正在搜索…"));
    m_client->search(query);
}

void DirectoryWindow::more()
{
    DirectoryQuery query = m_lastQuery;
    query.offset = static_cast<int>(m_stations.size());
    m_more->setEnabled(false);
    setStatus(QStringLiteral("正在搜索…"));
    m_client->search(query);
}

void DirectoryWindow::showResults(const DirectoryQuery& query,
                                  const QList<DirectoryStation>& stations)
{
    const bool firstPage = query.offset == 0;
    if (firstPage) {
        m_results->clear();
        m_stations.clear();
    }
    m_lastQuery = query;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(stations.size());
    const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
    for (const DirectoryStation& s : stations) {
        auto* row = new QTreeWidgetItem(
            {s.name, s.country.isEmpty() ? s.countryCode : s.country, s.codec,
             s.bitrate > 0 ? QStringLiteral("%1 kbps").arg(s.bitrate) : QString()});
        row->setToolTip(0, s.tags.isEmpty() ? s.name : s.name + u'\n' + s.tags);
        if (!s.lastCheckOk) {
            for (int c = 0; c < 4; ++c)
                row->setForeground(c, grey);
            row->setToolTip(0, row->toolTip(0) + QStringLiteral("\n（目录上次检查时无法播放）"));
        }
        rows.append(row);
    }
    const int firstNew = static_cast<int>(m_stations.size());
    m_stations += stations;
    m_results->addTopLevelItems(rows);
    m_more->setEnabled(stations.size() >= DirectoryQuery::kPageSize);
    setStatus(m_stations.isEmpty() ? QStringLiteral("没有找到电台")
                                   : QStringLiteral("找到 %1 个电台").arg(m_stations.size()));
    if (QTreeWidgetItem* first = m_results->topLevelItem(firstPage ? 0 : firstNew)) {
        m_results->setCurrentItem(first);
        m_results->scrollToItem(first);
        m_results->setFocus(Qt::OtherFocusReason);
    }
}

void DirectoryWindow::failed(const QString& message)
{
    // The rows shown stay; the window stays as usable as before.
    setStatus(message);
    m_more->setEnabled(!m_stations.isEmpty() && m_stations.size() % DirectoryQuery::kPageSize == 0);
}

const DirectoryStation* DirectoryWindow::selectedStation() const
{
    QTreeWidgetItem* row = m_results->currentItem();
    const int index = row != nullptr ? m_results->indexOfTopLevelItem(row) : -1;
    return index >= 0 && index < m_stations.size() ? &m_stations[index] : nullptr;
}

void DirectoryWindow::play()
{
    const DirectoryStation* station = selectedStation();
    if (station == nullptr)
        return;
    setStatus(QStringLiteral("正在打开 %1…").arg(station->name));
    m_client->click(*station);
}

void DirectoryWindow::resolved(const DirectoryStation& station, const QString& address)
{
    if (!net::isNetworkAddress(QUrl(address, QUrl::StrictMode))) {
        setStatus(QStringLiteral("无法播放：不是网络地址"));
        return;
    }
    auto* radio = qobject_cast<RadioWindow*>(forms().show(QStringLiteral("frmMain")));
    if (radio == nullptr) {
        setStatus(QStringLiteral("无法播放：收音机窗口没有打开"));
        return;
    }
    radio->playAddress(station.name, address);
    setStatus(QStringLiteral("正在播放 %1").arg(station.name));
    // The radio window came forward; the listener goes on choosing here.
    raise();
    activateWindow();
}

void DirectoryWindow::favourite()
{
    const DirectoryStation* station = selectedStation();
    if (station == nullptr || m_services.stations == nullptr)
        return;
    PlaylistEntry entry;
    entry.name = station->name;
    entry.url = station->playAddress();
    entry.group = station->country;
    m_services.stations->setFavourite(ListKind::Radio, entry, true);
    setStatus(QStringLiteral("已收藏 %1").arg(station->name));
}

bool DirectoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_results && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            play();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void DirectoryWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Unload();
        return;
    }
    Form::keyPressEvent(event);
}

} // namespace kelvane
