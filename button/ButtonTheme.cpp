#include "button/ButtonTheme.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace kelvane {

bool StyleButtonTheme::drawPushButton(QPainter& painter, const QWidget& button, const QRect& rect,
                                      int themeState)
{
    QStyle* style = button.style();
    if (!style)
        return false;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.rect = rect;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Sunken);
    option.state |= QStyle::State_Enabled | QStyle::State_Raised;
    switch (themeState) {
    case 2:
        option.state |= QStyle::State_MouseOver;
        break;
    case 3:
        option.state |= QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
        break;
    case 4:
        option.state &= ~QStyle::State_Enabled;
        break;
    case 5:
        option.features |= QStyleOptionButton::DefaultButton;
        break;
    default:
        break;
    }
    if (!(option.state & QStyle::State_Enabled))
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    painter.save();
    painter.setClipRect(rect);
    style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, &button);
    painter.restore();
    return true;
}

} // namespace kelvane
