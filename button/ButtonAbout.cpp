#include "button/ButtonAbout.h"

#include <QLinearGradient>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace kelvane {

ButtonAbout::ButtonAbout(QWidget* parent) : QWidget(parent)
{
    setFixedSize(377, 145);
    QFont panelFont(u"Verdana"_s);
    panelFont.setPointSizeF(9.75);
    panelFont.setWeight(QFont::Normal);
    setFont(panelFont);
    hide();
}

void ButtonAbout::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, QColor(255, 244, 229));
    shade.setColorAt(1, QColor(255, 196, 128));
    painter.fillRect(rect(), shade);
    painter.setPen(QColor(192, 64, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont heading = font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    painter.setFont(heading);
    painter.drawText(QRect(12, 10, width() - 24, 32), Qt::AlignLeft | Qt::AlignVCenter,
                     u"SkinButton 3.0"_s);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(12, 46, width() - 24, height() - 58), Qt::AlignLeft | Qt::TextWordWrap,
                     u"The skinned command button of Kelvane: eleven looks, hover, "
                     u"toggle and a tooltip of its own."_s);
}

void ButtonAbout::mousePressEvent(QMouseEvent*)
{
    hide();
}

} // namespace kelvane
