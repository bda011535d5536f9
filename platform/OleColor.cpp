#include "platform/OleColor.h"

namespace kelvane {

QColor oleToQColor(OleColor colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

OleColor oleFromQColor(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return static_cast<OleColor>(rgb.red()) | static_cast<OleColor>(rgb.green()) << 8 |
           static_cast<OleColor>(rgb.blue()) << 16;
}

} // namespace kelvane
