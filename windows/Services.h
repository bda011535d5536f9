#pragma once

#include <QString>
#include <QStringList>

namespace kelvane {

namespace net {
class NetworkEvents;
}

class History;
class DesktopToggles;
class MessageBox;
class RememberedState;
class Shell;
class StationDialogs;
class StationStore;

// What the windows get from the program around them. Tests pass recorders and extra player
// options; the program passes the real desktop services.
struct AppServices
{
    MessageBox* messageBox = nullptr;
    Shell* shell = nullptr;
    QString programFolder;                 // where the list files live (the executable's folder)
    QStringList playerOptions;             // extra libmpv options for every player
    QString adFeedUrl;                     // the banner's feed; empty uses the built-in address
    RememberedState* remembered = nullptr; // volume and last stations between runs; none: forget
    QString recordFolder; // where recordings go; empty: the user's music folder, "Kelvane"
    net::NetworkEvents* network = nullptr; // the network is back, the machine woke; none: not told
    History* history = nullptr;            // the stations played last; none: nothing is recorded
    // The listener's own stations and favourites; none: nothing can be kept, and the lists show
    // their files only, with no menu.
    StationStore* stations = nullptr;
    StationDialogs* dialogs = nullptr; // the lists' questions (add, edit, import, export)
    QString directoryUrl; // the open station directory; empty: the build's (directoryBaseUrl())
    DesktopToggles* toggles = nullptr; // keep in view, song notices; none: both off
};

// The generic message of the player windows' handlers.
inline const QString kGenericErrorText = QStringLiteral("请检查是否连接到网络.");
inline const QString kGenericErrorTitle = QStringLiteral("提示");

} // namespace kelvane
