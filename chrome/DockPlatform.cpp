#include "chrome/DockPlatform.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kelvane {

namespace {

// The headless platforms keep no stacking order and complain about every raise.
bool platformHasStacking()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// The visible dialogs whose parent lies in the host window.
QList<QWidget*> dialogsOf(const QWidget& host)
{
    QList<QWidget*> dialogs;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowType() == Qt::Dialog && w->parentWidget() != nullptr &&
            w->parentWidget()->window() == &host)
            dialogs.append(w);
    }
    return dialogs;
}

} // namespace

std::optional<PixelRect> QtDockPlatform::workArea() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return std::nullopt;
    const QRect area = screen->availableGeometry();
    if (area.isEmpty())
        return std::nullopt;
    return PixelRect::fromQRect(area);
}

QSize QtDockPlatform::screenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize();
}

QPoint QtDockPlatform::cursorPos() const
{
    return QCursor::pos();
}

PixelRect QtDockPlatform::windowRect(const QWidget& host) const
{
    return PixelRect::fromQRect(host.frameGeometry());
}

void QtDockPlatform::moveWindow(QWidget& host, QPoint topLeft)
{
    // The window must bypass the manager before it is placed, or the manager clamps the move.
    makeDockWindow(host);
    if (host.pos() != topLeft)
        host.move(topLeft);
}

void QtDockPlatform::makeTopmost(QWidget& host)
{
    makeDockWindow(host);
    // Without a manager there is no "always above" layer to join: raising restacks the window
    // above the others and, unlike activating it, leaves the keyboard focus where it is.
    if (!host.isVisible() || !platformHasStacking())
        return;
    host.raise();
    // A box the window opened stays above it and centred on it while the window slides.
    const QRect screen = host.screen() != nullptr ? host.screen()->availableGeometry() : QRect();
    for (QWidget* dialog : dialogsOf(host)) {
        QRect r = dialog->frameGeometry();
        r.moveCenter(host.frameGeometry().center());
        if (screen.isValid()) {
            r.moveRight(std::min(r.right(), screen.right()));
            r.moveBottom(std::min(r.bottom(), screen.bottom()));
            r.moveLeft(std::max(r.left(), screen.left()));
            r.moveTop(std::max(r.top(), screen.top()));
        }
        dialog->move(r.topLeft());
        dialog->raise();
    }
}

bool QtDockPlatform::hasOpenDialog(const QWidget& host) const
{
    return !dialogsOf(host).isEmpty();
}

void QtDockPlatform::makeBorderless(QWidget& host)
{
    applyFlags(host, host.windowFlags() | Qt::FramelessWindowHint);
}

void QtDockPlatform::makeDockWindow(QWidget& host)
{
    // A tool window stays out of the taskbar; the stays-on-top hint serves platforms that honour
    // it instead of the bypass hint.
    const Qt::WindowFlags flags = (host.windowFlags() & ~Qt::WindowType_Mask) | Qt::Tool |
                                  Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                  Qt::X11BypassWindowManagerHint;
    host.setAttribute(Qt::WA_ShowWithoutActivating);
    applyFlags(host, flags);
}

void QtDockPlatform::applyFlags(QWidget& host, Qt::WindowFlags flags)
{
    if (host.windowFlags() == flags)
        return;
    // Changing the flags of a shown window hides it; show it again where it was.
    const bool wasVisible = host.isVisible();
    const QPoint position = host.pos();
    host.setWindowFlags(flags);
    host.move(position);
    if (wasVisible)
        host.show();
}

} // namespace kelvane
