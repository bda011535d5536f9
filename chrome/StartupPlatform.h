#pragma once

#include <QByteArray>
#include <QByteArrayList>

namespace kelvane {

// What decides the windowing platform at start-up.
struct StartupEnvironment
{
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray x11Display;     // DISPLAY
    QByteArrayList arguments;  // the command line, program name first

    static StartupEnvironment current(int argc, char** argv);
};

// The platform list to use instead of Qt's own choice, or empty to leave the choice to Qt.
// In a Wayland session with an X server at hand the docked windows need X11 (through XWayland):
// a Wayland client may not place its own windows. Wayland stays as the fallback. A platform the
// user named (QT_QPA_PLATFORM or -platform) is always kept.
QByteArray chooseStartupPlatform(const StartupEnvironment& environment);

// Applies chooseStartupPlatform to this process. Call it before the QApplication is constructed.
// Returns true when it chose the platform.
bool preferX11InWaylandSession(int argc, char** argv);

} // namespace kelvane
