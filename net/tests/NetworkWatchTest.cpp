#include "net/NetworkWatch.h"

#include "tests/support/PrivateSystemBus.h"
#include "tests/support/TestUtil.h"

#include <QCoreApplication>
#include <QNetworkInformation>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::net {
namespace {

using test::PrivateSystemBus;

class NetworkWatchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.error().isEmpty()) << qPrintable(bus.error());
        ASSERT_FALSE(watch.watchesNetwork()); // not until a player waits for the network
        watch.wantReachability();
        ASSERT_TRUE(watch.watchesNetwork());
        // Not glib's backend, which would ignore the stand-in.
        ASSERT_EQ(QNetworkInformation::instance()->backendName(), QStringLiteral("networkmanager"));
        ASSERT_TRUE(watch.watchesSleep());
    }

    PrivateSystemBus& bus = PrivateSystemBus::shared();
    NetworkWatch watch;
    QSignalSpy back{&watch, &NetworkEvents::networkBack};
    QSignalSpy woke{&watch, &NetworkEvents::wokeUp};
};

// Announcing runs the event loop, so a signal may come in before the wait: count, then wait.
TEST_F(NetworkWatchTest, TellsOnceThatTheNetworkIsBack)
{
    ASSERT_TRUE(bus.announceDisconnected());
    ASSERT_TRUE(bus.announceConnected()); // connecting, then connected with its connectivity
    // The stand-ins' signals arrive in order: once the wake is in, so is all of the above.
    ASSERT_TRUE(bus.announceWake());
    ASSERT_TRUE(test::waitUntil([&] { return woke.count() >= 1; }));
    EXPECT_EQ(back.count(), 1);
}

TEST_F(NetworkWatchTest, TellsOfWakingNotOfGoingToSleep)
{
    ASSERT_TRUE(bus.announceSleep());
    ASSERT_TRUE(bus.announceWake());
    // Comes in after the wake: once it is in, so is all of the above.
    ASSERT_TRUE(bus.announceDisconnected());
    ASSERT_TRUE(bus.announceConnected());
    ASSERT_TRUE(test::waitUntil([&] { return back.count() >= 1; }));
    EXPECT_EQ(woke.count(), 1);
}

// The system bus is the process's for good, so this runs in a child given a dead address.
TEST(NetworkWatchAlone, StaysQuietWithoutASystemBus)
{
    if (qEnvironmentVariableIsSet("KELVANE_TEST_NO_SYSTEM_BUS")) {
        NetworkWatch watch;
        QSignalSpy back(&watch, &NetworkEvents::networkBack);
        QSignalSpy woke(&watch, &NetworkEvents::wokeUp);
        EXPECT_FALSE(watch.watchesSleep());
        test::runFor(200);
        EXPECT_EQ(back.count() + woke.count(), 0);
        return;
    }
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVANE_TEST_NO_SYSTEM_BUS"), QStringLiteral("1"));
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("nothing")));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=NetworkWatchAlone.*")});
    ASSERT_TRUE(child.waitForFinished(20000)) << "the watch hangs without a system bus";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}

} // namespace
} // namespace kelvane::net
