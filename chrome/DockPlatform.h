#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace kelvane {

// A screen rectangle in pixels as the desktop reports window and work-area rectangles: right and
// bottom lie one pixel past the last column and row that belong to it.
struct PixelRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    static PixelRect fromQRect(const QRect& r)
    {
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    bool operator==(const PixelRect&) const = default;
};

// What the docking bar asks of the desktop about its host window. Every answer is in screen
// pixels. Tests pass their own geometry; QtDockPlatform is the real desktop.
class DockPlatform
{
public:
    virtual ~DockPlatform() = default;

    // The primary screen's work area (the screen less its panels), or nothing when the desktop
    // cannot tell.
    virtual std::optional<PixelRect> workArea() const = 0;
    // The primary screen's size.
    virtual QSize screenSize() const = 0;
    virtual QPoint cursorPos() const = 0;
    // The host's outer rectangle, frame included.
    virtual PixelRect windowRect(const QWidget& host) const = 0;
    // Moves the host's outer top-left corner there, exactly, without changing its size, even
    // when most of the window then lies off the screen.
    virtual void moveWindow(QWidget& host, QPoint topLeft) = 0;
    // Puts the host above every ordinary window without giving it the focus.
    virtual void makeTopmost(QWidget& host) = 0;
    virtual void makeBorderless(QWidget& host) = 0;
    // Whether a dialog of the host's (a message box) is open: the host then stays in view, the
    // dialog above it, until the dialog closes.
    virtual bool hasOpenDialog(const QWidget& host) const
    {
        Q_UNUSED(host);
        return false;
    }
};

// The real desktop: QScreen, QCursor and the host widget. On X11 the host becomes a window that
// bypasses the window manager (a manager would clamp or refuse a window placed mostly off the
// screen); such a window is never in a taskbar and is kept on top by raising it.
class QtDockPlatform final : public DockPlatform
{
public:
    std::optional<PixelRect> workArea() const override;
    QSize screenSize() const override;
    QPoint cursorPos() const override;
    PixelRect windowRect(const QWidget& host) const override;
    void moveWindow(QWidget& host, QPoint topLeft) override;
    void makeTopmost(QWidget& host) override;
    void makeBorderless(QWidget& host) override;
    bool hasOpenDialog(const QWidget& host) const override;

private:
    static void applyFlags(QWidget& host, Qt::WindowFlags flags);
    static void makeDockWindow(QWidget& host);
};

} // namespace kelvane
