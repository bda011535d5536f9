#pragma once

#include "chrome/StoredLayout.h"
#include "windows/Services.h"

#include <QList>
#include <QPair>

class QLineEdit;
class QListWidget;
class QWidget;

namespace kelvane {

class ClickLabel;
class FileDownloader;
class HotArea;
class MediaPlayer;
class QuandleXPTaskBar;
class SkinButton;
class StationListBox;
class Timer;

// A window's stored layout, its list addresses on the list server this build names.
const WindowLayout& windowLayout(const QString& windowName);

// Applies a window's stored layout: the window's own settings, then each control created from
// its stored design values (rectangle, font, colour, visibility, caption) and, for the placed
// user controls, their property bags. Controls are stacked in the order they are made.
class LayoutBuilder
{
public:
    LayoutBuilder(QWidget* window, const WindowLayout& layout, const AppServices& services);

    // Caption, client size, icon, frame and taskbar presence, first position.
    void applyWindowSettings();

    MediaPlayer* player(const QString& name);
    StationListBox* list(const QString& name);
    ClickLabel* label(const QString& name, int element = -1);
    QLineEdit* textBox(const QString& name);
    HotArea* image(const QString& name);
    SkinButton* button(const QString& name);
    QWidget* banner(const QString& name);
    FileDownloader* downloader(const QString& name);
    // Reads its bag, which moves the window to its docking position: make it last.
    QuandleXPTaskBar* dockingBar(const QString& name);
    void timer(Timer& timer, const QString& name);

    // The keyboard order of the controls made so far, by their stored tab positions.
    void applyTabOrder();

private:
    // Geometry, font, visibility and name of a control, and its place in the tab order.
    void place(QWidget* widget, const ControlLayout& control);

    QWidget* m_window;
    const WindowLayout& m_layout;
    AppServices m_services;
    QList<QPair<int, QWidget*>> m_tabs;
};

} // namespace kelvane
