#include "chrome/StartupPlatform.h"

#include <gtest/gtest.h>

using namespace kelvane;

namespace {

StartupEnvironment waylandSession()
{
    StartupEnvironment environment;
    environment.sessionType = "wayland";
    environment.waylandDisplay = "wayland-0";
    environment.x11Display = ":0";
    environment.arguments = {"kelvane"};
    return environment;
}

TEST(StartupPlatform, AWaylandSessionWithXWaylandStartsOnX11WithWaylandAsFallback)
{
    EXPECT_EQ(chooseStartupPlatform(waylandSession()), "xcb;wayland");

    StartupEnvironment socketOnly = waylandSession();
    socketOnly.sessionType.clear();
    EXPECT_EQ(chooseStartupPlatform(socketOnly), "xcb;wayland");
}

TEST(StartupPlatform, APlatformTheUserChoseIsKept)
{
    StartupEnvironment byEnvironment = waylandSession();
    byEnvironment.qpaPlatform = "wayland";
    EXPECT_EQ(chooseStartupPlatform(byEnvironment), "");

    for (const char* option : {"-platform", "--platform"}) {
        StartupEnvironment byArgument = waylandSession();
        byArgument.arguments = {"kelvane", option, "wayland"};
        EXPECT_EQ(chooseStartupPlatform(byArgument), "") << option;
    }
}

TEST(StartupPlatform, X11SessionsAndWaylandWithoutAnXServerAreLeftToQt)
{
    StartupEnvironment x11;
    x11.sessionType = "x11";
    x11.x11Display = ":0";
    EXPECT_EQ(chooseStartupPlatform(x11), "");

    StartupEnvironment noXWayland = waylandSession();
    noXWayland.x11Display.clear();
    EXPECT_EQ(chooseStartupPlatform(noXWayland), "");
}

// Saves and restores the variables the choice reads and writes.
class SavedEnvironment
{
public:
    SavedEnvironment()
    {
        for (const char* name : kNames)
            m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    }
    ~SavedEnvironment()
    {
        for (const auto& [name, value, set] : m_saved) {
            if (set)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }

private:
    static constexpr const char* kNames[] = {"QT_QPA_PLATFORM", "XDG_SESSION_TYPE",
                                             "WAYLAND_DISPLAY", "DISPLAY"};
    struct Saved
    {
        const char* name;
        QByteArray value;
        bool set;
    };
    QList<Saved> m_saved;
};

TEST(StartupPlatform, TheStartUpCallSetsThePlatformForTheProcess)
{
    SavedEnvironment saved;
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    qputenv("DISPLAY", ":7");
    char program[] = "kelvane";
    char* argv[] = {program, nullptr};

    EXPECT_TRUE(preferX11InWaylandSession(1, argv));
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb;wayland");
    // Once chosen it counts as chosen.
    EXPECT_FALSE(preferX11InWaylandSession(1, argv));
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb;wayland");
}

} // namespace
