#pragma once

#include <QPixmap>

#include "chrome/DockPlatform.h"
#include "platform/PropertyBag.h"
#include "platform/Timer.h"

#include <QDeadlineTimer>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace kelvane {

// The docking bar: an invisible control that keeps its host window docked at a screen edge with
// only a 50-twip strip showing, slides the host into view while the pointer is over it and back
// when the pointer leaves, and keeps the host above ordinary windows.
//
// Host side: construct it with the host window (it becomes a hidden child of that window), then
// either UserControl_ReadProperties(bag) while the window is created from its stored layout,
// which docks the window and starts the pointer poll, or UserControl_InitProperties() when it is
// placed new. Nothing else is needed: it is destroyed with its host.
//
// Positions are twips (15 per pixel), held as single-precision values; the desktop answers in
// pixels.
class QuandleXPTaskBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint32 kInitialAlignment = 3;
    static constexpr int kSizeTwips = 480;
    static constexpr int kPollIntervalMs = 200;
    static constexpr int kSlideIntervalMs = 25;
    static constexpr float kSlideStepTwips = 240;
    static constexpr float kStripTwips = 50;

    // Docks on the real desktop.
    explicit QuandleXPTaskBar(QWidget* host);
    // Docks through the given desktop answers, which must outlive the control.
    QuandleXPTaskBar(QWidget* host, DockPlatform& platform);
    ~QuandleXPTaskBar() override;

    // 0 left edge, 1 right edge (both vertically centred), 2 top edge at the left end, 3 top edge
    // centred, 4 top edge at the right end; any other value leaves the host where it is.
    qint32 Alignment() const { return m_alignment; }
    // Stores the value as given and docks the host again at once; a running slide goes on from
    // the new place along the new edge.
    void setAlignment(qint32 alignment);

    // The design face seen only in a form designer: a 32 x 32, 256-colour icon of a window
    // docked under the top edge of a screen, with an arrow showing it slide down.
    static QPixmap designFace();

    // The control's own size in twips: always 480 x 480.
    float Width() const;
    float Height() const;

    void UserControl_Initialize();
    // Placed on a window for the first time: the window loses its border. Nothing moves.
    void UserControl_InitProperties();
    // The window is created from its stored layout: reads "Alignment" (0 when absent), docks the
    // window, puts it on top and starts the pointer poll.
    void UserControl_ReadProperties(const PropertyBag& bag);
    void UserControl_WriteProperties(PropertyBag& bag) const;
    void UserControl_Resize();

    // Puts the docked host at its shown place at once, as if the pointer had slid it in; it
    // docks again when the pointer is not over it (a window opened under the pointer). With a
    // hold it stays in view until the pointer has been over it, for at most holdMs (a window
    // brought into view from elsewhere).
    void showInView(int holdMs = 0);
    // Pinned, the host stays in view whatever the pointer does, until unpinned ("固定显示").
    void setPinned(bool pinned);
    bool isPinned() const { return m_pinned; }
    // The host is in view or sliding into view (not docked or docking).
    bool isInView() const { return m_mouseOver; }

    // The pointer poll (every 200 ms once docked) and the slide step (every 25 ms while sliding).
    void tmrCheckMouseOver_Timer();
    void tmrExpand_Timer();

    Timer* const tmrExpand;
    Timer* const tmrCheckMouseOver;

Q_SIGNALS:
    // The host's stored settings are out of date.
    void PropertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct HostBox
    {
        float left;
        float top;
        float width;
        float height;
    };

    QuandleXPTaskBar(QWidget* host, DockPlatform* platform,
                     std::unique_ptr<DockPlatform> ownedPlatform);
    void PositionHost(QWidget& host);
    void MakeTopmost(QWidget& host);
    // Where the host rests along its edge, docked or shown; nothing for an unknown alignment.
    std::optional<QPointF> restingPlace(const HostBox& box, bool shown) const;
    HostBox hostBox(const QWidget& host) const;
    void moveHost(QWidget& host, float left, float top);

    std::unique_ptr<DockPlatform> m_ownedPlatform;
    DockPlatform& m_platform;
    QPointer<QWidget> m_host;
    qint32 m_alignment = kInitialAlignment;
    float m_workLeft = 0;
    float m_workTop = 0;
    float m_workRight = 0;
    float m_workBottom = 0;
    bool m_mouseOver = false;
    bool m_pinned = false;
    QDeadlineTimer m_hold; // in view until the pointer visits or this expires
};

} // namespace kelvane
