#pragma once

#include "platform/OleColor.h"

namespace kelvane {

// System colour numbers as colour references carry them (0x800000nn).
enum SystemColor : int
{
    kColorWindow = 5,
    kColorWindowText = 8,
    kColorHighlight = 13,
    kColorHighlightText = 14,
    kColorButtonFace = 15,
    kColorButtonShadow = 16,
    kColorGrayText = 17,
    kColorButtonText = 18,
    kColorButtonHighlight = 20,
    kColorDarkShadow = 21,
    kColorLight = 22,
    kColorInfoText = 23,
    kColorInfoBackground = 24,
};

constexpr OleColor kSystemColorFlag = 0x80000000u;

constexpr OleColor systemColorReference(int index)
{
    return kSystemColorFlag | static_cast<OleColor>(index);
}

constexpr OleColor RGB(int red, int green, int blue)
{
    return static_cast<OleColor>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}

constexpr int redOf(OleColor colour)
{
    return static_cast<int>(colour & 0xFF);
}
constexpr int greenOf(OleColor colour)
{
    return static_cast<int>((colour >> 8) & 0xFF);
}
constexpr int blueOf(OleColor colour)
{
    return static_cast<int>((colour >> 16) & 0xFF);
}

// The current RGB value of a system colour, taken from the application palette; -1 for a
// number that has no counterpart there.
qint32 SystemColorRGB(int index);

// The RGB value of a colour: plain RGB as it stands, system-colour references through the
// application palette. -1 when the value cannot be translated.
qint32 TranslateColor(OleColor colour);

// Each channel moved by k (which may be negative) and kept within 0 to 255.
OleColor ShiftColor(OleColor colour, int k);
// Each channel v becomes k + (255 - k) * v / 255 (truncated): larger k, paler colour.
OleColor LightenColor(OleColor colour, int k);
// The channel-wise mean of two colours, halves rounded to even.
OleColor BlendColors(OleColor first, OleColor second);

} // namespace kelvane
