#pragma once

#include "platform/PropertyBag.h"

#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace kelvane {

// One control of a stored window layout: design values in twips, colours as 0x00BBGGRR, and
// the property bag of a placed user control.
struct ControlLayout
{
    QString name;
    int index = -1; // element of a control array, -1 for a single control
    QString kind;   // MediaPlayer, ListBox, Label, TextBox, Image, SkinButton, Gg, ...
    QRect twips;    // left, top, width, height (width and height 0 when not stored)
    int tab = -1;   // keyboard order, -1 when the control takes no part
    bool visible = true;
    bool transparent = false;
    QString caption;
    QString text;
    QString pointer;                   // "hand" or empty for the ordinary pointer
    std::optional<StoredFont> font;    // the window's font when absent
    std::optional<OleColor> foreColor; // the control's default when absent
    int interval = 0;                  // timers
    bool enabled = true;               // timers
    PropertyBag bag;                   // placed user controls
    QJsonObject settings;              // media player settings, by their documented names
};

// A window's stored layout: its own settings and its controls in stored order.
struct WindowLayout
{
    QString name;
    QString caption;
    QString frame; // "none" or "fixedToolWindow"
    QSize clientTwips;
    QString startPosition; // "docked" or "centreScreen"
    bool showInTaskbar = false;
    QString picture; // "A", "B", "C" or empty
    QList<ControlLayout> controls;

    // The control of that name (and array element); throws std::out_of_range when absent.
    const ControlLayout& control(const QString& controlName, int element = -1) const;
};

// The stored layout of a window, from the program's embedded resources; the same object for
// every window of that name. Texts that name the list server's folder get listBaseUrl. Throws
// std::runtime_error when missing or malformed.
const WindowLayout& storedLayout(const QString& windowName, QStringView listBaseUrl);

// Parses a layout document. On failure returns nothing and says why.
std::optional<WindowLayout> parseLayout(const QByteArray& json, QStringView listBaseUrl,
                                        QString* error = nullptr);

} // namespace kelvane
