#include "app/Tray.h"

#include "app/PlaybackHub.h"
#include "platform/Notifications.h"
#include "player/MediaPlayer.h"
#include "player/SleepTimer.h"
#include "windows/Artwork.h"
#include "windows/DesktopToggles.h"
#include "windows/RememberedState.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace kelvane {

TrayIcon::TrayIcon(PlaybackHub& hub, DesktopToggles& toggles, QObject* parent)
    : QObject(parent), m_hub(hub), m_menu(std::make_unique<QMenu>())
{
    m_menu->addAction(QStringLiteral("显示窗口"), this, [this] { m_hub.raise(); });
    m_menu->addAction(QStringLiteral("播放/暂停"), this, &TrayIcon::playPause);
    m_menu->addAction(QStringLiteral("停止"), this, [this] {
        if (MediaPlayer* p = m_hub.player())
            p->stop();
    });
    // Rebuilt at each opening: it follows whichever player played last.
    QMenu* sleep = m_menu->addMenu(QStringLiteral("定时停止"));
    m_sleepAt = sleep->menuAction();
    connect(sleep, &QMenu::aboutToShow, this, [this, sleep] {
        sleep->clear();
        QPointer<MediaPlayer> player = m_hub.player();
        const bool running = player && player->sleepTimer()->isRunning();
        fillSleepMenu(*sleep, running, nullptr, [player](int minutes) {
            if (!player)
                return;
            if (minutes > 0)
                player->sleepTimer()->start(minutes);
            else
                player->sleepTimer()->cancel();
        });
        sleep->setEnabled(player != nullptr);
    });
    QAction* keep = m_menu->addAction(QStringLiteral("固定显示"));
    keep->setCheckable(true);
    keep->setChecked(toggles.keepInView());
    connect(keep, &QAction::toggled, &toggles, &DesktopToggles::setKeepInView);
    connect(&toggles, &DesktopToggles::keepInViewChanged, keep, &QAction::setChecked);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("退出"), this, [this] { m_hub.quit(); });

    m_icon = new QSystemTrayIcon(applicationIcon(), this);
    m_icon->setToolTip(QStringLiteral("Kelvane"));
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger)
                    m_hub.raise();
            });
    m_icon->show();
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::showMessage(const QString& title, const QString& text)
{
    m_icon->showMessage(title, text, QSystemTrayIcon::Information, 10000);
}

void TrayIcon::setRecentMenu(QMenu* recent)
{
    if (m_recent)
        m_menu->removeAction(m_recent->menuAction());
    m_recent = recent;
    if (recent != nullptr)
        m_menu->insertMenu(m_sleepAt, recent);
}

void TrayIcon::playPause()
{
    MediaPlayer* p = m_hub.player();
    if (p == nullptr) {
        m_hub.step(0); // nothing played yet: the selected station of the radio list
        return;
    }
    const MediaPlayer::State s = p->state();
    if (s == MediaPlayer::State::Playing || s == MediaPlayer::State::Connecting ||
        s == MediaPlayer::State::Reconnecting)
        p->pause();
    else
        p->play();
}

void tellWhereDocked(RememberedState& remembered, TrayIcon* tray, Notifications& notifications)
{
    if (!remembered.isFirstStart())
        return;
    if (tray != nullptr)
        tray->showMessage(QStringLiteral("Kelvane"), kDockedNotice);
    else
        notifications.notify(QStringLiteral("Kelvane"), kDockedNotice, false);
    remembered.setToldWhereDocked();
    remembered.sync();
}

} // namespace kelvane
