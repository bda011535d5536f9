#include "platform/SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using namespace kelvane;

TEST(SingleInstanceTest, ALaterStartHandsItsFilesOrActivationToTheRunningOne)
{
    // A session bus of the test's own.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--print-address", "--nofork", "--nosyslog"});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    while (!daemon.canReadLine())
        ASSERT_TRUE(daemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    const QString id = QStringLiteral("example.kelvane.Kelvane");
    {
        auto first =
            std::make_unique<SingleInstance>(QDBusConnection::connectToBus(address, "a"), id);
        ASSERT_EQ(first->start({}), SingleInstance::Start::First);
        EXPECT_TRUE(first->owns());
        QSignalSpy opened(first.get(), &SingleInstance::openRequested);
        QSignalSpy activated(first.get(), &SingleInstance::activateRequested);

        SingleInstance later(QDBusConnection::connectToBus(address, "b"), id);
        EXPECT_EQ(later.start({"/x/list.m3u", "http://127.0.0.1:9/tv.m3u"}),
                  SingleInstance::Start::HandedOver);
        // In one process the call's wait already delivers it.
        ASSERT_TRUE(opened.count() == 1 || opened.wait(5000));
        EXPECT_EQ(opened[0][0].toStringList(),
                  (QStringList{"/x/list.m3u", "http://127.0.0.1:9/tv.m3u"}));
        EXPECT_EQ(later.start({}), SingleInstance::Start::HandedOver);
        EXPECT_TRUE(activated.count() == 1 || activated.wait(5000));
        EXPECT_EQ(opened.count(), 1);

        // Once the running one has gone, the next start runs.
        first.reset();
        SingleInstance next(QDBusConnection::connectToBus(address, "c"), id);
        EXPECT_EQ(next.start({}), SingleInstance::Start::First);
    }
    for (const char* name : {"a", "b", "c"})
        QDBusConnection::disconnectFromBus(name);
    daemon.kill();
    daemon.waitForFinished(5000);

    // Without a bus the program runs on its own.
    SingleInstance alone(QDBusConnection::connectToBus("unix:path=/nonexistent", "none"), id);
    EXPECT_EQ(alone.start({"x"}), SingleInstance::Start::First);
    EXPECT_EQ(
        SingleInstance::filesFromArguments({"list.m3u", "https://h/p.pls", "file:///a/b.xspf"}),
        (QStringList{QDir::current().absoluteFilePath("list.m3u"), "https://h/p.pls",
                     "/a/b.xspf"}));
}
