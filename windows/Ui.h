#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

class QPainter;

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

// The program's pictures, drawn in code.
QPixmap pictureA();      // player window background, 352 x 279
QPixmap pictureB();      // video window background, 500 x 396
QPixmap pictureC();      // About window, 352 x 279
QIcon applicationIcon(); // 32 x 32
// The program's icon at any size (size x size from the painter's origin): an orange disc with
// white radio waves.
void paintApplicationIcon(QPainter& p, int size);

// A window's background picture by its stored name ("A", "B", "C"); null for none.
QPixmap storedPicture(const QString& name);

// Centres a top-level window on the primary screen.
void centreOnScreen(QWidget* window);

} // namespace kelvane
