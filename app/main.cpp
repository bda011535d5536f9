#include "app/Application.h"
#include "app/InstanceRequests.h"
#include "app/PlaybackHub.h"
#include "app/Tray.h"
#include "catalogue/ListFolder.h"
#include "chrome/StartupPlatform.h"
#include "net/NetworkWatch.h"
#include "platform/MessageBox.h"
#include "platform/Notifications.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "player/MediaPlayer.h"
#include "stations/History.h"
#include "stations/StationStore.h"
#include "windows/DesktopToggles.h"
#include "windows/HistoryWindow.h"
#include "windows/RememberedState.h"
#include "windows/SongNotices.h"
#include "windows/StationDialogs.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QMenu>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>

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
    const QString appId = QStringLiteral("example.kelvane.Kelvane");
    QGuiApplication::setDesktopFileName(appId);
    // The interface is Chinese whatever the desktop's locale: Qt's own buttons and dialogs too.
    kelvane::installQtChinese();

    // Once per user: a later start hands its playlists (or, without any, a wish to see the
    // radio window) to the running program and ends.
    const QStringList files =
        kelvane::SingleInstance::filesFromArguments(QApplication::arguments().mid(1));
    kelvane::SingleInstance instance(QDBusConnection::sessionBus(), appId);
    if (instance.start(files) == kelvane::SingleInstance::Start::HandedOver)
        return 0;

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

    // The stations played last, kept beside the lists.
    // Problems with the listener's files wait until the splash has handed over.
    QStringList stationProblems;
    const auto keepProblem = [&stationProblems](const QString& text) {
        stationProblems.append(text);
    };
    kelvane::History history(services.programFolder);
    QObject::connect(&history, &kelvane::History::problem, &history, keepProblem);
    history.load();
    services.history = &history;

    // The listener's own stations and favourites, beside the lists; saved as they change.
    kelvane::StationStore stations(services.programFolder);
    QObject::connect(&stations, &kelvane::StationStore::problem, &stations, keepProblem);
    stations.load();
    services.stations = &stations;
    kelvane::QtStationDialogs dialogs;
    services.dialogs = &dialogs;

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
        QObject::connect(&network, &kelvane::net::NetworkEvents::reachabilityWanted, watch,
                         &kelvane::net::NetworkWatch::followReachability);
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
    // The tray's 最近播放: the last stations, each played again as the history window would.
    QMenu recentMenu(QStringLiteral("最近播放"));
    if (tray != nullptr) {
        QObject::connect(&recentMenu, &QMenu::aboutToShow, &recentMenu, [&] {
            recentMenu.clear();
            const QList<kelvane::Played> played = history.entries().mid(0, 10);
            for (qsizetype i = 0; i < played.size(); ++i)
                recentMenu.addAction(played.at(i).name, &recentMenu, [&forms, i] {
                    auto* window = dynamic_cast<kelvane::HistoryWindow*>(
                        forms.show(QStringLiteral("frmHistory")));
                    if (window == nullptr || window->list()->topLevelItem(int(i)) == nullptr)
                        return;
                    window->list()->setCurrentItem(window->list()->topLevelItem(int(i)));
                    window->replay();
                    forms.unload(QStringLiteral("frmHistory"));
                });
            if (!played.isEmpty())
                recentMenu.addSeparator();
            recentMenu.addAction(QStringLiteral("全部…"), &recentMenu,
                                 [&forms] { forms.show(QStringLiteral("frmHistory")); });
        });
        tray->setRecentMenu(&recentMenu);
    }
    kelvane::InstanceRequests requests(forms, services);
    QObject::connect(&instance, &kelvane::SingleInstance::openRequested, &requests,
                     &kelvane::InstanceRequests::open);
    QObject::connect(&instance, &kelvane::SingleInstance::activateRequested, &requests,
                     &kelvane::InstanceRequests::activate);
    QObject::disconnect(&stations, &kelvane::StationStore::problem, nullptr, nullptr);
    QObject::connect(&stations, &kelvane::StationStore::problem, &requests,
                     &kelvane::InstanceRequests::tell);
    QObject::disconnect(&history, &kelvane::History::problem, nullptr, nullptr);
    QObject::connect(&history, &kelvane::History::problem, &requests,
                     &kelvane::InstanceRequests::tell);
    kelvane::startProgram(forms);
    for (const QString& problem : std::as_const(stationProblems))
        requests.tell(problem);
    if (!files.isEmpty())
        requests.open(files);
    return QApplication::exec();
}
