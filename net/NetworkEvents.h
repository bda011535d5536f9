#pragma once

#include <QObject>

namespace kelvane::net {

// What the desktop says that makes a failed connection worth trying again at once: the network
// is back, or the machine has woken from sleep. The player takes one of these; a test can emit
// the signals itself, and NetworkWatch emits them from the desktop's own services.
class NetworkEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A player that starts waiting for the network asks for reachability to be followed from
    // then on: a program whose streams never drop loads no reachability backend (glib's, where
    // NetworkManager is missing, costs about 2 MiB resident).
    void wantReachability() { Q_EMIT reachabilityWanted(); }

Q_SIGNALS:
    // Reachability went from anything less than online to online.
    void networkBack();
    // The machine has resumed from suspend or hibernation.
    void wokeUp();
    void reachabilityWanted();
};

} // namespace kelvane::net
