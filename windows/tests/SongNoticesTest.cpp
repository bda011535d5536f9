#include "windows/SongNotices.h"
#include "platform/Notifications.h"
#include "tests/support/TestUtil.h"
#include "windows/DesktopToggles.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace kelvane;
using namespace kelvane::test;

namespace {

// org.freedesktop.Notifications as a desktop offers it: each call recorded, ids handed out.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        uint replacesId;
        QString summary;
        QString body;
    };
    QList<Call> calls;

public Q_SLOTS:
    uint Notify(const QString&, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int)
    {
        calls.append({replacesId, summary, body});
        return replacesId != 0 ? replacesId : uint(100 + calls.size());
    }
};

class SongNoticesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--print-address"),
                      QStringLiteral("--nofork"), QStringLiteral("--nosyslog")});
        ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon (scripts/setup adds dbus)";
        while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) {
        }
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        QDBusConnection desktop = QDBusConnection::connectToBus(address, QStringLiteral("desk"));
        ASSERT_TRUE(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                           &server, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));
        program = std::make_unique<DBusNotifications>(
            QDBusConnection::connectToBus(address, QStringLiteral("program")),
            QStringLiteral("example.kelvane.Kelvane"));
        toggles.setSongNotices(true);
        notices = std::make_unique<SongNotices>(*program, toggles);
    }
    void TearDown() override
    {
        notices.reset();
        program.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        QDBusConnection::disconnectFromBus(QStringLiteral("desk"));
        daemon.terminate();
        daemon.waitForFinished(5000);
        flushEvents();
    }
    bool callsReach(qsizetype n)
    {
        return waitUntil([&] { return server.calls.size() >= n; }, 5000) &&
               server.calls.size() == n;
    }

    QProcess daemon;
    NotificationServer server;
    DesktopToggles toggles;
    std::unique_ptr<DBusNotifications> program;
    std::unique_ptr<SongNotices> notices;
};

} // namespace

TEST_F(SongNoticesTest, OnePerNewSongEachReplacingTheLastAndNoneWhileInView)
{
    QWidget docked; // never shown: out of view
    notices->songChanged(QStringLiteral("电台"), QStringLiteral("One"), &docked);
    ASSERT_TRUE(callsReach(1));
    EXPECT_EQ(server.calls[0].replacesId, 0u);
    EXPECT_EQ(server.calls[0].summary, QStringLiteral("One"));
    EXPECT_EQ(server.calls[0].body, QStringLiteral("电台"));

    // A reconnect: the title goes and the same one comes back.
    notices->songChanged(QStringLiteral("电台"), QString(), &docked);
    notices->songChanged(QStringLiteral("电台"), QStringLiteral("One"), &docked);
    // In view: the listener sees the title already.
    QWidget shown;
    shown.show();
    shown.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown));
    notices->songChanged(QStringLiteral("电台"), QStringLiteral("Two"), &shown);
    // Turned off.
    toggles.setSongNotices(false);
    notices->songChanged(QStringLiteral("电台"), QStringLiteral("Three"), &docked);
    toggles.setSongNotices(true);
    notices->songChanged(QStringLiteral("电台"), QStringLiteral("Four"), &docked);
    ASSERT_TRUE(callsReach(2));
    EXPECT_EQ(server.calls[1].summary, QStringLiteral("Four"));
    EXPECT_EQ(server.calls[1].replacesId, 101u); // the first notice's id
}

#include "SongNoticesTest.moc"
