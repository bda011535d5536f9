#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace kelvane {

class DesktopToggles;
class Notifications;
class PlaybackHub;
class RememberedState;

// The program in the desktop's tray (its status notifier, else the XEmbed tray), only where
// there is one: 显示窗口, play/pause, stop, 定时停止, 固定显示, 退出; a left click shows the
// window as the desktop's Raise does.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(PlaybackHub& hub, DesktopToggles& toggles, QObject* parent = nullptr);
    ~TrayIcon() override;

    static bool isAvailable();
    void showMessage(const QString& title, const QString& text);
    // The place for a "最近播放" menu: it goes before 定时停止. The caller keeps it.
    void setRecentMenu(QMenu* recent);
    QMenu* menu() const { return m_menu.get(); }

private:
    void playPause();

    PlaybackHub& m_hub;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QAction* m_sleepAt = nullptr; // 定时停止's entry: other entries go before it
    QPointer<QMenu> m_recent;
};

// The text that says where the docked window went.
inline const QString kDockedNotice =
    QStringLiteral("Kelvane 停靠在屏幕顶部：把鼠标移到屏幕顶部中间，窗口就会滑出。");

// At the user's first start (nothing remembered yet), says once where the window went: the
// tray's message where there is a tray, else one desktop notification.
void tellWhereDocked(RememberedState& remembered, TrayIcon* tray, Notifications& notifications);

} // namespace kelvane
