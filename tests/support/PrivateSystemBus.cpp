#include "tests/support/PrivateSystemBus.h"

#include "tests/support/TestUtil.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QVariantMap>

namespace kelvane::test {

namespace {

const QString kConnectionName = QStringLiteral("kelvane-test-system-standins");
const QString kNmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kMarkerPath = QStringLiteral("/org/kelvane/Test");
const QString kMarkerInterface = QStringLiteral("org.kelvane.Test");

// NetworkManager's NMState and NMConnectivityState values.
constexpr uint kStateDisconnected = 20;
constexpr uint kStateConnecting = 40;
constexpr uint kStateConnectedGlobal = 70;
constexpr uint kConnectivityNone = 1;
constexpr uint kConnectivityFull = 4;

PrivateSystemBus* sharedBus = nullptr;

} // namespace

// The NetworkManager properties Qt's backend reads; Qt answers Get and GetAll from them.
class NetworkManagerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State MEMBER state)
    Q_PROPERTY(uint Connectivity MEMBER connectivity)
    Q_PROPERTY(QDBusObjectPath PrimaryConnection MEMBER primaryConnection)
    Q_PROPERTY(uint Metered MEMBER metered)
public:
    explicit NetworkManagerAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}

    uint state = kStateConnectedGlobal;
    uint connectivity = kConnectivityFull;
    QDBusObjectPath primaryConnection{QStringLiteral("/")};
    uint metered = 0;
};

// Lives on the stand-ins' thread: the NetworkManager object, and logind's signal.
class SystemStandIns : public QObject
{
    Q_OBJECT
public:
    explicit SystemStandIns(const QDBusConnection& connection)
        : m_connection(connection), m_nm(new NetworkManagerAdaptor(this))
    {}

    void setNetwork(uint state, uint connectivity)
    {
        QVariantMap changed{{QStringLiteral("State"), QVariant::fromValue(state)}};
        m_nm->state = state;
        if (connectivity != m_nm->connectivity) {
            m_nm->connectivity = connectivity;
            changed.insert(QStringLiteral("Connectivity"), QVariant::fromValue(connectivity));
        }
        QDBusMessage signal =
            QDBusMessage::createSignal(kNmPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"));
        signal << kNmService << changed << QStringList();
        m_connection.send(signal);
    }

    void prepareForSleep(bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << start;
        m_connection.send(signal);
    }

    void mark(uint serial)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(kMarkerPath, kMarkerInterface, QStringLiteral("Marker"));
        signal << serial;
        m_connection.send(signal);
    }

private:
    QDBusConnection m_connection;
    NetworkManagerAdaptor* m_nm;
};

// Receives the markers on this process's system bus connection.
class MarkerReceiver : public QObject
{
    Q_OBJECT
public:
    uint last = 0;

public Q_SLOTS:
    void onMarker(uint serial) { last = serial; }
};

PrivateSystemBus::PrivateSystemBus()
{
    // Kept aside: as root it says each time that it cannot raise its file limit.
    m_daemon.setStandardErrorFile(m_dir.filePath(QStringLiteral("dbus-daemon.log")));
}

PrivateSystemBus::~PrivateSystemBus()
{
    delete m_markers;
    if (m_thread.isRunning()) {
        // Deferred deletes still run as the thread finishes.
        m_standIns->deleteLater();
        m_thread.quit();
        m_thread.wait();
    } else {
        delete m_standIns; // never moved: the start failed before
    }
    QDBusConnection::disconnectFromBus(kConnectionName);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

PrivateSystemBus& PrivateSystemBus::shared()
{
    if (sharedBus == nullptr) {
        sharedBus = new PrivateSystemBus;
        sharedBus->start();
        qAddPostRoutine([] {
            delete sharedBus;
            sharedBus = nullptr;
        });
    }
    return *sharedBus;
}

bool PrivateSystemBus::start()
{
    // Qt's name for the process's system bus connection: once made, it keeps its address.
    if (QDBusConnection(QStringLiteral("qt_default_system_bus")).isConnected()) {
        m_error = QStringLiteral("this process already uses a system bus");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QByteArray config = QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
                                  .arg(m_dir.path())
                                  .toUtf8();
    QFile file(m_dir.filePath(QStringLiteral("bus.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = QStringLiteral("cannot write the bus configuration");
        return false;
    }
    file.close();

    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + file.fileName(),
                    QStringLiteral("--print-address"), QStringLiteral("--nofork"),
                    QStringLiteral("--nosyslog")});
    if (!m_daemon.waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start dbus-daemon (is dbus installed?)");
        return false;
    }
    // The daemon prints its address once it listens.
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        QFile log(m_dir.filePath(QStringLiteral("dbus-daemon.log")));
        log.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("dbus-daemon did not say its address: ") +
                  QString::fromUtf8(log.readAll());
        return false;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());

    QDBusConnection connection = QDBusConnection::connectToBus(m_address, kConnectionName);
    if (!connection.isConnected()) {
        m_error = QStringLiteral("cannot connect to the private bus: ") +
                  connection.lastError().message();
        return false;
    }
    m_standIns = new SystemStandIns(connection);
    if (!connection.registerObject(kNmPath, m_standIns) ||
        !connection.registerService(kNmService) || !connection.registerService(kLogindService)) {
        m_error =
            QStringLiteral("cannot publish the stand-ins: ") + connection.lastError().message();
        return false;
    }
    m_standIns->moveToThread(&m_thread);
    m_thread.start();
    return true;
}

bool PrivateSystemBus::sync()
{
    if (m_standIns == nullptr)
        return false;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (m_markers == nullptr) {
        m_markers = new MarkerReceiver;
        bus.connect(QString(), kMarkerPath, kMarkerInterface, QStringLiteral("Marker"), m_markers,
                    SLOT(onMarker(uint)));
    }
    // The daemon handles one connection's messages in order: once it answers, whatever this
    // process sent it before (match rules, also those of the code under test) has taken effect.
    bus.interface()->isServiceRegistered(kNmService);
    // Qt holds back a new connection's incoming messages until the event loop has run, then
    // lets newer ones overtake those held. A marker seen back means that time is over.
    const uint serial = ++m_markerSerial;
    QMetaObject::invokeMethod(
        m_standIns, [s = m_standIns, serial] { s->mark(serial); }, Qt::BlockingQueuedConnection);
    return waitUntil([&] { return m_markers->last == serial; }, 10000);
}

bool PrivateSystemBus::announceConnected()
{
    if (!sync())
        return false;
    QMetaObject::invokeMethod(
        m_standIns,
        [s = m_standIns] {
            s->setNetwork(kStateConnecting, kConnectivityNone);
            s->setNetwork(kStateConnectedGlobal, kConnectivityFull);
        },
        Qt::BlockingQueuedConnection);
    return true;
}

bool PrivateSystemBus::announceDisconnected()
{
    if (!sync())
        return false;
    QMetaObject::invokeMethod(
        m_standIns, [s = m_standIns] { s->setNetwork(kStateDisconnected, kConnectivityNone); },
        Qt::BlockingQueuedConnection);
    return true;
}

bool PrivateSystemBus::announceSleep()
{
    if (!sync())
        return false;
    m_asleep = true;
    QMetaObject::invokeMethod(
        m_standIns, [s = m_standIns] { s->prepareForSleep(true); }, Qt::BlockingQueuedConnection);
    return true;
}

bool PrivateSystemBus::announceWake()
{
    if (!sync())
        return false;
    QMetaObject::invokeMethod(
        m_standIns,
        [s = m_standIns, asleep = m_asleep] {
            if (!asleep)
                s->prepareForSleep(true);
            s->prepareForSleep(false);
        },
        Qt::BlockingQueuedConnection);
    m_asleep = false;
    return true;
}

} // namespace kelvane::test

#include "PrivateSystemBus.moc"
