#include "chrome/StartupPlatform.h"

#include <QtGlobal>

namespace kelvane {

StartupEnvironment StartupEnvironment::current(int argc, char** argv)
{
    StartupEnvironment environment;
    environment.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    environment.sessionType = qgetenv("XDG_SESSION_TYPE");
    environment.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    environment.x11Display = qgetenv("DISPLAY");
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i)
        environment.arguments.append(QByteArray(argv[i]));
    return environment;
}

QByteArray chooseStartupPlatform(const StartupEnvironment& environment)
{
    if (!environment.qpaPlatform.trimmed().isEmpty())
        return {};
    // Qt takes the option with one dash or two, and it overrides the environment.
    for (qsizetype i = 1; i < environment.arguments.size(); ++i) {
        const QByteArray& argument = environment.arguments.at(i);
        if (argument == "-platform" || argument == "--platform")
            return {};
    }
    const bool waylandSession = environment.sessionType.trimmed().toLower() == "wayland" ||
                                !environment.waylandDisplay.isEmpty();
    if (!waylandSession || environment.x11Display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb;wayland");
}

bool preferX11InWaylandSession(int argc, char** argv)
{
    const QByteArray platform = chooseStartupPlatform(StartupEnvironment::current(argc, argv));
    if (platform.isEmpty())
        return false;
    qputenv("QT_QPA_PLATFORM", platform);
    return true;
}

} // namespace kelvane
