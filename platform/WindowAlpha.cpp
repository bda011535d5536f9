#include "platform/WindowAlpha.h"

#include <QWidget>

namespace kelvane {

int SetWindowAlpha(QWidget* window, int alpha)
{
    if (alpha < 0 || alpha > 255)
        return 1;
    // Only top-level windows have a per-window alpha.
    if (window == nullptr || !window->isWindow())
        return 2;
    window->setWindowOpacity(alpha / 255.0);
    return 0;
}

} // namespace kelvane
