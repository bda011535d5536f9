#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

namespace kelvane {

// A label that reports clicks, like a desktop form's label (no focus, no keyboard).
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr);
    // Draws only its text: the window's picture shows through.
    void setTransparent(bool transparent);

Q_SIGNALS:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A picture-less image control: an invisible area that takes clicks.
class HotArea : public QWidget
{
    Q_OBJECT
public:
    explicit HotArea(QWidget* parent = nullptr);

Q_SIGNALS:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A font by its design face with fallbacks that exist on Linux desktops; Chinese faces fall back
// to the installed CJK fonts.
QFont designFont(const QString& face, qreal points, bool bold = false);
// The windows' default font.
QFont defaultFont();

// Places a child at a design rectangle given in twips.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// Centres a top-level window on the primary screen.
void centreOnScreen(QWidget* window);

} // namespace kelvane
