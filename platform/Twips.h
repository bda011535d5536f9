#pragma once

#include <cmath>

namespace kelvane {

// Design geometry is kept in twips; the screen is taken to be 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

constexpr float pixelsToTwips(float pixels)
{
    return pixels * kTwipsPerPixel;
}
constexpr float twipsToPixels(float twips)
{
    return twips / kTwipsPerPixel;
}
// Whole pixels for placing widgets: rounded to nearest, halves to even.
inline int twipsToPixelsRounded(float twips)
{
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

// Stored control sizes are hundredths of a millimetre; 1440 twips are 2540 of them.
inline int twipsToHimetric(float twips)
{
    return static_cast<int>(std::nearbyint(twips * 2540.0 / 1440.0));
}
inline float himetricToTwips(int himetric)
{
    return static_cast<float>(himetric * 1440.0 / 2540.0);
}

} // namespace kelvane
