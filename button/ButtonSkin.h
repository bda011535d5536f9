#pragma once

#include "button/ButtonCanvas.h"

#include <QRegion>

#include <array>
#include <vector>

namespace kelvane {

// The round-cornered skin: three images of the same nine-part layout (a flat centre, a strip
// of one-colour lines along each side, a block of single pixels in each corner), so that any
// button size draws from the same small tables.
struct SkinImage
{
    struct Pixel
    {
        int dx; // from the corner's own edge inwards
        int dy;
        OleColor colour;
    };

    OleColor centre = 0;
    std::array<OleColor, 18> left{};   // columns 0 to 17
    std::array<OleColor, 17> right{};  // columns W-17 to W-1
    std::array<OleColor, 12> top{};    // rows 0 to 11
    std::array<OleColor, 12> bottom{}; // rows H-11 to H
    // Corner blocks, columns 0 to 17 (W-17 to W) and rows 0 to 12 (H-12 to H), counted from the
    // nearest outer edge: dx = x or W - x, dy = y or H - y.
    std::vector<Pixel> topLeft;
    std::vector<Pixel> topRight;
    std::vector<Pixel> bottomLeft;
    std::vector<Pixel> bottomRight;
};

enum class SkinKind
{
    Silver,
    Blue,
    DarkBlue
};

const SkinImage& skinImage(SkinKind kind);
void drawSkin(ButtonCanvas& canvas, const SkinImage& image);

// The outline of the skin: the rectangle (0, 0, W + 1, H + 1) with corner ellipses 18 by 18.
QRegion roundedRegion(int width, int height);
// How many pixels the rounded outline cuts from row r counted from the top or bottom edge.
int roundedInset(int row);

} // namespace kelvane
