#pragma once

#include <QRect>

class QPainter;
class QWidget;

namespace kelvane {

// The desktop's visual theme as the themed button style draws with it: the background of a
// push button in one of the theme's states (1 normal, 2 hot, 3 pressed, 4 disabled, 5 the
// default button). Returns false when the theme cannot draw, and the button then falls back.
class ButtonTheme
{
public:
    virtual ~ButtonTheme() = default;
    virtual bool drawPushButton(QPainter& painter, const QWidget& button, const QRect& rect,
                                int themeState) = 0;
};

// The application's QStyle drawing its push-button bevel.
class StyleButtonTheme final : public ButtonTheme
{
public:
    bool drawPushButton(QPainter& painter, const QWidget& button, const QRect& rect,
                        int themeState) override;
};

} // namespace kelvane
