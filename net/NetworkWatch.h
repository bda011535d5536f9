#pragma once

#include "net/NetworkEvents.h"

namespace kelvane::net {

// NetworkEvents from the desktop: network reachability through QNetworkInformation (whose
// NetworkManager backend reads NetworkManager on the system bus), once wanted, and logind's
// PrepareForSleep(false) on the system bus, from the start. Where either is missing, that half
// stays silent and nothing else changes.
//
// QNetworkInformation is one per process and keeps the backend the first load chose; the system
// bus connection is one per process too. The program creates one watch, explicitly, after its
// application object; a test points DBUS_SYSTEM_BUS_ADDRESS at a bus of its own before that.
class NetworkWatch : public NetworkEvents
{
    Q_OBJECT
public:
    explicit NetworkWatch(QObject* parent = nullptr);

    // Loads the reachability backend, once; wantReachability() comes here. The one with the most
    // features wins: NetworkManager's when it runs then, else glib's.
    void followReachability();

    // Whether reachability is followed (a backend loaded) and whether logind is listened to.
    bool watchesNetwork() const { return m_watchesNetwork; }
    bool watchesSleep() const { return m_watchesSleep; }

private Q_SLOTS:
    void onPrepareForSleep(bool start);

private:
    bool m_askedForReachability = false;
    bool m_watchesNetwork = false;
    bool m_watchesSleep = false;
    bool m_online = false;
};

} // namespace kelvane::net
