#include "app/Application.h"
#include "app/PlaybackHub.h"
#include "app/Tray.h"
#include "catalogue/ListFolder.h"
#include "chrome/StartupPlatform.h"
#include "net/NetworkWatch.h"
#include "platform/MessageBox.h"
#include "platform/Notifications.h"
#include "platform/Shell.h"
#include "player/MediaPlayer.h"
#include "windows/DesktopToggles.h"
#include "windows/RememberedState.h"
#include "windows/SongNotices.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <clocale>
#include <malloc.h>

int main(int argc, char** argv)
{
    // The player's threads would each grow an allocation arena of their own; a radio that plays
    // for hours keeps a flatter footprint with few.
    mallopt(M_ARENA_MAX, 2);
    // The docking needs exact placement of its own windows: X11, through XWayland on Wayland.
    kelvane::preferX11InWaylandSession(argc, argv);
    QApplication app(argc, argv);
    // libmpv refuses to start under a locale whose decimal point is not '.'.
    std::setlocale(LC_NUMERIC, "C");
    // The program ends when its last window is unloaded, not when the last one is hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.kelvane.Kelvane"));
    // The interface is Chinese whatever the desktop's locale: Qt's own buttons and dialogs too.
    kelvane::installQtChinese();

    kelvane::QtMessageBox messageBox;
    kelvane::DesktopShell shell;
    kelvane::AppServices services;
    services.messageBox = &messageBox;
    services.shell = &shell;
    // Beside the program when it may write there; installed, in the user's data folder.
    const QString programFolder = QCoreApplication::applicationDirPath();
    services.programFolder =
        kelvane::chooseListFolder(
            programFolder, kelvane::isWritableFolder(programFolder),
            QDir::cleanPath(programFolder + QStringLiteral("/../share/kelvane")),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
            .folder;

    kelvane::RememberedState remembered;
    services.remembered = &remembered;
    kelvane::DesktopToggles toggles(&remembered);
    services.toggles = &toggles;

    // Players waiting out an outage hear when the network is back or the machine woke. The
    // desktop is asked once the first window is up: its first answers block for a moment.
    kelvane::net::NetworkEvents network;
    services.network = &network;
    QTimer::singleShot(0, &network, [&network] {
        auto* watch = new kelvane::net::NetworkWatch(&network);
        QObject::connect(watch, &kelvane::net::NetworkEvents::networkBack, &network,
                         &kelvane::net::NetworkEvents::networkBack);
        QObject::connect(watch, &kelvane::net::NetworkEvents::wokeUp, &network,
                         &kelvane::net::NetworkEvents::wokeUp);
    });

    kelvane::FormRegistry forms;
    QObject::connect(&forms, &kelvane::FormRegistry::lastFormUnloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);

    // Media keys and the desktop's media controls; without a session bus the program runs as
    // before.
    kelvane::PlaybackHub hub(forms);
    kelvane::MprisService mpris(hub, QStringLiteral("example.kelvane.Kelvane"));
    mpris.setIdleVolume(remembered.volume(50)); // what the desktop reads before anything played
    const bool offered = mpris.registerOnSessionBus();
    if (offered)
        QObject::connect(&hub, &kelvane::PlaybackHub::playerChanged, &mpris,
                         [&mpris](kelvane::MediaPlayer* player) {
                             mpris.follow(player != nullptr ? player->engine() : nullptr);
                         });

    // The desktop's notifications: each new song when asked for, and where the window went.
    kelvane::DBusNotifications notifications(QDBusConnection::sessionBus(),
                                             QStringLiteral("example.kelvane.Kelvane"));
    kelvane::SongNotices songs(notifications, toggles);
    QObject::connect(&hub, &kelvane::PlaybackHub::playerChanged, &songs,
                     &kelvane::SongNotices::follow);
    // A tray only where the desktop has one; without, the program runs as it always did.
    std::unique_ptr<kelvane::TrayIcon> tray;
    if (kelvane::TrayIcon::isAvailable())
        tray = std::make_unique<kelvane::TrayIcon>(hub, toggles);
    // Said when the splash has handed over and the window has docked.
    QObject::connect(&forms, &kelvane::FormRegistry::formUnloaded, &app, [&](const QString& name) {
        if (name == u"frmSplash")
            kelvane::tellWhereDocked(remembered, tray.get(), notifications);
    });

    kelvane::registerForms(forms, services, &hub);
    kelvane::startProgram(forms);
    return QApplication::exec();
}
