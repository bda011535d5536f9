#include "windows/Controls.h"

#include "platform/Twips.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace kelvane {

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
}

void ClickLabel::setTransparent(bool transparent)
{
    setAutoFillBackground(!transparent);
    setAttribute(Qt::WA_TranslucentBackground, transparent);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Click();
}

HotArea::HotArea(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void HotArea::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Click();
}

QFont designFont(const QString& face, qreal points, bool bold)
{
    QFont font;
    QStringList families{face};
    if (face == u"宋体")
        families << QStringLiteral("SimSun") << QStringLiteral("NSimSun");
    // Installed by the setup script; covers Chinese and Latin.
    families << QStringLiteral("WenQuanYi Zen Hei") << QStringLiteral("Noto Sans CJK SC")
             << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont defaultFont()
{
    return designFont(QStringLiteral("宋体"), 9);
}

void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsToPixelsRounded(left), twipsToPixelsRounded(top),
                        twipsToPixelsRounded(width), twipsToPixelsRounded(height));
}

void centreOnScreen(QWidget* window)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

} // namespace kelvane
