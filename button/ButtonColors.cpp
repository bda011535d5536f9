#include "button/ButtonColors.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace kelvane {

qint32 SystemColorRGB(int index)
{
    const QPalette palette = QGuiApplication::palette();
    auto rgbOf = [](const QColor& colour) { return static_cast<qint32>(oleFromQColor(colour)); };
    switch (index) {
    case kColorWindow:
        return rgbOf(palette.color(QPalette::Active, QPalette::Base));
    case kColorWindowText:
        return rgbOf(palette.color(QPalette::Active, QPalette::Text));
    case kColorHighlight:
        return rgbOf(palette.color(QPalette::Active, QPalette::Highlight));
    case kColorHighlightText:
        return rgbOf(palette.color(QPalette::Active, QPalette::HighlightedText));
    case kColorButtonFace:
        return rgbOf(palette.color(QPalette::Active, QPalette::Button));
    case kColorButtonShadow:
        return rgbOf(palette.color(QPalette::Active, QPalette::Dark));
    case kColorGrayText:
        return rgbOf(palette.color(QPalette::Disabled, QPalette::ButtonText));
    case kColorButtonText:
        return rgbOf(palette.color(QPalette::Active, QPalette::ButtonText));
    case kColorButtonHighlight:
        return rgbOf(palette.color(QPalette::Active, QPalette::Light));
    case kColorDarkShadow:
        return rgbOf(palette.color(QPalette::Active, QPalette::Shadow));
    case kColorLight:
        return rgbOf(palette.color(QPalette::Active, QPalette::Midlight));
    case kColorInfoText:
        return rgbOf(palette.color(QPalette::Active, QPalette::ToolTipText));
    case kColorInfoBackground:
        return rgbOf(palette.color(QPalette::Active, QPalette::ToolTipBase));
    default:
        return -1;
    }
}

qint32 TranslateColor(OleColor colour)
{
    switch (colour >> 24) {
    case 0x00: // plain RGB
    case 0x02: // palette-relative RGB: the RGB part is the colour
        return static_cast<qint32>(colour & 0x00FFFFFFu);
    case 0x80:
        if ((colour & 0x00FFFF00u) != 0)
            return -1;
        return SystemColorRGB(static_cast<int>(colour & 0xFFu));
    default: // palette indices and anything else name no colour here
        return -1;
    }
}

OleColor ShiftColor(OleColor colour, int k)
{
    auto shifted = [k](int v) { return std::clamp(v + k, 0, 255); };
    return RGB(shifted(redOf(colour)), shifted(greenOf(colour)), shifted(blueOf(colour)));
}

OleColor LightenColor(OleColor colour, int k)
{
    auto lightened = [k](int v) { return std::min(255, k + (255 - k) * v / 255); };
    return RGB(lightened(redOf(colour)), lightened(greenOf(colour)), lightened(blueOf(colour)));
}

OleColor BlendColors(OleColor first, OleColor second)
{
    // nearbyint rounds halves to even under the default rounding mode.
    auto mean = [](int p, int q) { return static_cast<int>(std::nearbyint((p + q) / 2.0)); };
    return RGB(mean(redOf(first), redOf(second)), mean(greenOf(first), greenOf(second)),
               mean(blueOf(first), blueOf(second)));
}

} // namespace kelvane
