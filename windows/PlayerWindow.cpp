#include "windows/PlayerWindow.h"

#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "chrome/QuandleXPTaskBar.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"
#include "player/MediaPlayer.h"
#include "windows/Artwork.h"
#include "windows/LayoutBuilder.h"
#include "windows/ListFilter.h"
#include "windows/RememberedState.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>

namespace kelvane {

PlayerWindow::PlayerWindow(const QString& name, FormRegistry& forms, const AppServices& services)
    : Form(name, forms), m_services(services), m_layout(windowLayout(name)),
      m_picture(storedPicture(m_layout.picture))
{
    // Borderless and out of the taskbar; the docking bar adds "on top" and places the window.
    LayoutBuilder(this, m_layout, services).applyWindowSettings();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayerWindow::guarded(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        if (m_services.messageBox != nullptr)
            m_services.messageBox->show(this, kGenericErrorText, kGenericErrorTitle,
                                        MessageBox::Icon::Information);
    }
}

void PlayerWindow::silent(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        // What was done stays done; nothing is shown.
    }
}

void PlayerWindow::playOnActivate(QListWidget* list, const std::function<void()>& onPlay)
{
    connect(list, &QListWidget::itemDoubleClicked, this, [onPlay] { onPlay(); });
    m_enterPlays.insert(list, onPlay);
    list->installEventFilter(this);
    m_listViewports.insert(list->viewport());
    list->viewport()->installEventFilter(this);
    // Installed after this window's filter, so it sees typed keys first.
    m_filters.insert(list, new ListFilter(list, onPlay));
}

void PlayerWindow::stationsLoaded(QListWidget* list)
{
    if (ListFilter* filter = filterOf(list))
        filter->reset();
}

void PlayerWindow::followStation(MediaPlayer* player, QListWidget* list, int station)
{
    disconnect(m_followed);
    QPointer<QListWidget> box(list);
    m_followed = connect(player, &MediaPlayer::stateChanged, this,
                         [this, player, box, station](MediaPlayer::State state) {
                             ListFilter* filter = box ? filterOf(box) : nullptr;
                             if (filter == nullptr)
                                 return;
                             if (state == MediaPlayer::State::Failed)
                                 filter->setDead(station, player->stateText());
                             else if (state == MediaPlayer::State::Playing)
                                 filter->setDead(station, QString());
                         });
}

void PlayerWindow::showInView(int holdMs)
{
    if (auto* bar = findChild<QuandleXPTaskBar*>())
        bar->showInView(holdMs);
}

void PlayerWindow::playSelected(MediaPlayer* player, QListWidget* list, const QStringList& urls,
                                const QString& listKey)
{
    player->close();
    const int index = selectedPosition(list);
    if (index < 0 || index >= urls.size())
        throw StepFailed("no station selected");
    player->setStationName(list->currentItem()->text());
    player->setURL(urls.at(index));
    followStation(player, list, index);
    reportPlayed(player, list, listKey);
}

void PlayerWindow::updateClicked(SkinButton* button, FileDownloader* downloader,
                                 const QList<QLineEdit*>& boxes, const QString& busyCaption,
                                 const std::function<void(const QString&)>& onError)
{
    if (button->Caption() != u"下载" || downloader->isTransferring()) {
        downloader->Cancel();
        for (QLineEdit* box : boxes)
            box->setEnabled(true);
        button->setCaption(QStringLiteral("下载"));
        return;
    }
    QStringList urls;
    for (QLineEdit* box : boxes) {
        if (trimSpaces(box->text()).isEmpty())
            return;
        box->setEnabled(false);
        urls.append(box->text());
    }
    button->setCaption(busyCaption);
    for (qsizetype i = 0; i < urls.size(); ++i) {
        // Each list follows whatever became of the one before; a window closed meanwhile
        // fetches no more.
        if (i > 0 && forms().find(formName()) != this)
            return;
        if (!downloadList(*downloader, urls.at(i), onError))
            return;
    }
}

bool PlayerWindow::downloadList(FileDownloader& downloader, const QString& url,
                                const std::function<void(const QString&)>& onError)
{
    const QString name = FileNameFromURL(url);
    if (!isPlainFileName(name)) {
        onError(kNoFileNameError);
        return true;
    }
    QPointer<PlayerWindow> alive(this);
    downloader.DownloadFile(url, programFilePath(m_services.programFolder, name));
    return !alive.isNull();
}

void PlayerWindow::fillList(QListWidget& list, const std::optional<Stations>& stations,
                            QStringList& urls)
{
    urls.clear();
    if (!stations)
        return;
    list.clear();
    list.setUpdatesEnabled(false);
    list.addItems(stations->names);
    list.setUpdatesEnabled(true);
    urls = stations->urls;
}

void PlayerWindow::listUpdateFailed(const QString& error, QWidget* urlBox, SkinButton* button,
                                    FileDownloader* downloader)
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(this, error, QStringLiteral("错误"), MessageBox::Icon::Error);
    urlBox->setEnabled(true);
    button->setCaption(QStringLiteral("下载"));
    downloader->Cancel();
}

void PlayerWindow::listUpdateCompleted(const QString& message, QWidget* urlBox, SkinButton* button,
                                       QListWidget* list)
{
    if (m_services.messageBox != nullptr)
        m_services.messageBox->show(this, message, QStringLiteral("成功"),
                                    MessageBox::Icon::Information);
    urlBox->setEnabled(true);
    button->setCaption(QStringLiteral("检查更新"));
    // Repainted, not re-read: the new stations appear when the window is next loaded.
    list->viewport()->update();
}

void PlayerWindow::reportPlayed(MediaPlayer* player, const QListWidget* list,
                                const QString& listKey)
{
    if (m_services.remembered != nullptr && list->currentItem() != nullptr)
        m_services.remembered->setLastStation(listKey, list->currentItem()->text());
    Q_EMIT stationStarted(player);
}

bool PlayerWindow::selectNeighbour(QListWidget* list, int delta)
{
    const int count = list->count();
    if (count == 0)
        return false;
    const QListWidgetItem* item = list->currentItem();
    const int row = item != nullptr && item->isSelected() ? list->row(item) : -1;
    const int next = row < 0 ? 0 : ((row + delta) % count + count) % count;
    list->setCurrentRow(next);
    list->scrollToItem(list->item(next));
    return true;
}

int PlayerWindow::selectedPosition(const QListWidget* list) const
{
    const QListWidgetItem* item = list->currentItem();
    if (item == nullptr || !item->isSelected())
        return -1;
    const int row = list->row(item);
    const ListFilter* filter = filterOf(list);
    return filter != nullptr ? filter->stationAt(row) : row;
}

void PlayerWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.drawPixmap(0, 0, m_picture);
}

void PlayerWindow::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    // Every click in the window passes its native window first, whichever control it lands on.
    // Changing the window's flags may have made a new one.
    if (QWindow* native = windowHandle()) {
        native->removeEventFilter(this);
        native->installEventFilter(this);
    }
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A window that bypasses the window manager gets no focus from it: it takes the focus itself
    // on a click anywhere, so the first click is enough for arrows and Enter.
    if (event->type() == QEvent::MouseButtonPress && watched == windowHandle()) {
        if (!isActiveWindow())
            activateWindow();
        return false;
    }
    // A double click on the list's empty part is a double click on the list all the same: with
    // nothing selected it reaches the no-selection path.
    if (event->type() == QEvent::MouseButtonDblClick && m_listViewports.contains(watched)) {
        auto* viewport = static_cast<QWidget*>(watched);
        auto* list = static_cast<QListWidget*>(viewport->parentWidget());
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto play = m_enterPlays.constFind(list);
        if (mouse->button() == Qt::LeftButton && play != m_enterPlays.cend() &&
            list->itemAt(mouse->position().toPoint()) == nullptr) {
            (*play)();
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip && m_listViewports.contains(watched)) {
        auto* viewport = static_cast<QWidget*>(watched);
        auto* list = static_cast<QListWidget*>(viewport->parentWidget());
        const auto* help = static_cast<QHelpEvent*>(event);
        const QListWidgetItem* item = list->itemAt(help->pos());
        const QRect cell = item != nullptr ? list->visualItemRect(item) : QRect();
        // A name cut off by the list's edge shows whole; a failed station says why.
        QStringList tip;
        if (item != nullptr && list->fontMetrics().horizontalAdvance(item->text()) + 4 >
                                   viewport->width() - cell.left())
            tip.append(item->text());
        if (item != nullptr && !item->toolTip().isEmpty())
            tip.append(item->toolTip());
        if (!tip.isEmpty())
            QToolTip::showText(help->globalPos(), tip.join(u'\n'), viewport, cell);
        else
            QToolTip::hideText();
        return true;
    }
    // Enter on a list plays the chosen station, like a double click.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto it = m_enterPlays.constFind(watched);
        if (it != m_enterPlays.cend() &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            (*it)();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

} // namespace kelvane
