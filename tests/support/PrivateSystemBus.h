#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

namespace kelvane::test {

class MarkerReceiver;
class SystemStandIns;

// A private dbus-daemon standing in for the system bus, with stand-ins for NetworkManager
// (org.freedesktop.NetworkManager: State, Connectivity, PrimaryConnection, Metered through
// org.freedesktop.DBus.Properties, with PropertiesChanged) and logind (org.freedesktop.login1,
// signal PrepareForSleep). The stand-ins answer from a thread of their own, so code under test
// may call them blocking from the main thread, as Qt's NetworkManager backend does.
//
// Use, in any test executable:
//   PrivateSystemBus& bus = PrivateSystemBus::shared(); // first call starts it
//   ASSERT_TRUE(bus.error().isEmpty()) << qPrintable(bus.error());
//   kelvane::net::NetworkWatch watch;                   // or whatever listens
//   ASSERT_TRUE(bus.announceDisconnected());            // the outage...
//   ASSERT_TRUE(bus.announceConnected());               // ...and its end: networkBack()
//   ASSERT_TRUE(bus.announceWake());                    // wokeUp()
// Announcing runs the event loop (see below), so what it sets off may already have happened
// when it returns: wait on counts (QSignalSpy::count() with waitUntil), not on QSignalSpy::wait().
//
// The process keeps one system bus connection and one QNetworkInformation backend for its whole
// life, so: start the bus before anything in the process touches the system bus or loads
// QNetworkInformation (start() refuses if the system bus is already connected), and keep it
// until the process ends; shared() does both. The stand-in NetworkManager starts "connected".
// Code under test run as a child process gets address() as its DBUS_SYSTEM_BUS_ADDRESS (this
// process's environment already holds it after start()); announcements then make sure of this
// process only, so wait until the child has shown it listens before announcing.
//
// Every announcement first makes a round trip on this process's system bus connection and runs
// the event loop until a marker signal from the stand-ins has come back (Qt holds back a new
// connection's messages until its event loop has run, and then lets newer ones overtake them).
// So any match rule the code under test added before is in place when the signal goes out, and
// the stand-ins' signals arrive in the order announced.
class PrivateSystemBus
{
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // The process's bus, started on the first call and stopped when the application object goes.
    static PrivateSystemBus& shared();

    // Starts the daemon and the stand-ins and sets DBUS_SYSTEM_BUS_ADDRESS; false (with the
    // reason in error()) when it cannot.
    bool start();
    QString address() const { return m_address; }
    QString error() const { return m_error; }

    // Each returns false when the bus is not running or the stand-ins did not answer in time.
    // NetworkManager: connecting, then connected with full connectivity.
    bool announceConnected();
    // NetworkManager: disconnected, no connectivity.
    bool announceDisconnected();
    // logind: PrepareForSleep(true), the machine goes to sleep.
    bool announceSleep();
    // logind: the machine wakes, PrepareForSleep(false), after PrepareForSleep(true) unless
    // announceSleep() said that already (logind always sends both).
    bool announceWake();

private:
    bool sync();

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QThread m_thread;
    SystemStandIns* m_standIns = nullptr;
    MarkerReceiver* m_markers = nullptr;
    uint m_markerSerial = 0;
    QString m_address;
    QString m_error;
    bool m_asleep = false;
};

} // namespace kelvane::test
