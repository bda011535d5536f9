#include "windows/PlayerWindow.h"

#include "chrome/QuandleXPTaskBar.h"
#include "listbox/StationListBox.h"
#include "platform/MessageBox.h"
#include "player/MediaPlayer.h"
#include "stations/History.h"
#include "windows/Artwork.h"
#include "windows/DesktopToggles.h"
#include "windows/LayoutBuilder.h"
#include "windows/RememberedState.h"

#include <QDateTime>
#include <QPainter>
#include <QShortcut>
#include <QWindow>

namespace kelvane {

PlayerWindow::PlayerWindow(const QString& name, FormRegistry& forms, const AppServices& services)
    : Form(name, forms), m_services(services), m_layout(windowLayout(name)),
      m_picture(storedPicture(m_layout.picture))
{
    // Borderless and out of the taskbar; the docking bar adds "on top" and places the window.
    LayoutBuilder(this, m_layout, services).applyWindowSettings();
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (services.toggles != nullptr)
        connect(services.toggles, &DesktopToggles::keepInViewChanged, this,
                &PlayerWindow::setKeepInView);
}

void PlayerWindow::setKeepInView(bool on)
{
    if (auto* bar = findChild<QuandleXPTaskBar*>())
        bar->setPinned(on);
}

void PlayerWindow::offerDesktopEntries(MediaPlayer& player)
{
    DesktopToggles* toggles = m_services.toggles;
    if (toggles == nullptr)
        return;
    player.setKeepInView(toggles->keepInView());
    player.setSongNotices(toggles->songNotices());
    connect(toggles, &DesktopToggles::keepInViewChanged, &player, &MediaPlayer::setKeepInView);
    connect(toggles, &DesktopToggles::songNoticesChanged, &player, &MediaPlayer::setSongNotices);
    connect(&player, &MediaPlayer::keepInViewToggled, toggles, &DesktopToggles::setKeepInView);
    connect(&player, &MediaPlayer::songNoticesToggled, toggles, &DesktopToggles::setSongNotices);
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

void PlayerWindow::playOnActivate(StationListBox* list, const std::function<void()>& onPlay)
{
    connect(list, &StationListBox::chosen, this, [onPlay] { onPlay(); });
}

void PlayerWindow::followStation(MediaPlayer* player, StationListBox* list, int station)
{
    disconnect(m_followed);
    QPointer<StationListBox> box(list);
    // By key, not position: a station starred meanwhile has moved.
    const qint64 key = list != nullptr ? list->keyOf(station) : -1; // none: from no list
    m_followed = connect(player, &MediaPlayer::stateChanged, this,
                         [player, box, key](MediaPlayer::State state) {
                             if (box.isNull())
                                 return;
                             if (state == MediaPlayer::State::Failed)
                                 box->setDead(box->positionOf(key), player->stateText());
                             else if (state == MediaPlayer::State::Playing)
                                 box->setDead(box->positionOf(key), QString());
                         });
}

void PlayerWindow::showInView(int holdMs)
{
    if (auto* bar = findChild<QuandleXPTaskBar*>())
        bar->showInView(holdMs);
}

void PlayerWindow::playSelected(MediaPlayer* player, StationListBox* list, const QString& listKey)
{
    player->close();
    const int index = list->selectedPosition();
    const ListedStation* station = list->station(index);
    if (station == nullptr || !station->url)
        throw StepFailed("no station selected");
    player->setStationName(station->name);
    player->setURL(*station->url);
    followStation(player, list, index);
    reportPlayed(player, list, listKey);
}

void PlayerWindow::reportPlayed(MediaPlayer* player, const StationListBox* list,
                                const QString& listKey)
{
    // Remembered once it plays: a station that never answered is not the one to offer next time.
    disconnect(m_remember);
    const ListedStation* station = list->station(list->selectedPosition());
    if (m_services.remembered != nullptr && list->currentItem() != nullptr) {
        RememberedState* remembered = m_services.remembered;
        const QString name = station != nullptr ? station->name : list->currentItem()->text();
        const QString url = station != nullptr ? station->url.value_or(QString()) : QString();
        m_remember = connect(player, &MediaPlayer::stateChanged, this,
                             [this, remembered, listKey, name, url](MediaPlayer::State state) {
                                 if (state != MediaPlayer::State::Playing)
                                     return;
                                 remembered->setLastStation(listKey, name, url);
                                 disconnect(m_remember);
                             });
    }
    if (station != nullptr && station->url)
        addToHistory(station->name, *station->url, listKey);
    Q_EMIT stationStarted(player);
}

void PlayerWindow::addToHistory(const QString& name, const QString& url, const QString& listKey)
{
    if (m_services.history == nullptr)
        return;
    const ListKind kind = listKey == u"tvstacionet" ? ListKind::Tv
                          : listKey == u"tvadult"   ? ListKind::Tv2
                                                    : ListKind::Radio;
    m_services.history->add(Played{name, url, kind, QDateTime::currentDateTimeUtc()});
}

void PlayerWindow::offerHistory(MediaPlayer* player)
{
    const auto open = [this] {
        silent([this] {
            if (forms().isRegistered(QStringLiteral("frmHistory")))
                forms().show(QStringLiteral("frmHistory"));
        });
    };
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(shortcut, &QShortcut::activated, this, open);
    if (player != nullptr)
        connect(player, &MediaPlayer::historyRequested, this, open);
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
    if (m_services.toggles != nullptr)
        setKeepInView(m_services.toggles->keepInView());
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
    return Form::eventFilter(watched, event);
}

} // namespace kelvane
