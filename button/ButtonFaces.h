#pragma once

#include "button/ButtonCanvas.h"

#include <QRegion>

namespace kelvane {

// What a face depends on: the style, the drawing state (1 normal, 2 hot, 3 pressed,
// 4 disabled), the focus and the colour settings.
struct FaceSettings
{
    int style = 0;
    int state = 1;
    bool hasFocus = false;
    bool showFocus = false;
    bool useCustomColors = false;
    OleColor backColor = 0;      // used when useCustomColors
    OleColor highlightColor = 0; // used when useCustomColors
    QRect contentEdges;          // left, top, and right, bottom just outside
};

// Draws the face of styles 0 to 5 and 7 to 10 over the whole canvas. Style 6 is the theme's
// (the button draws it); any other value draws nothing.
void drawFace(ButtonCanvas& canvas, const FaceSettings& settings);

// The window outline of a style at the given client size.
QRegion styleRegion(int style, int width, int height);

// The icon's distance from the edge it is aligned to.
int iconMargin(int style);

// H/2 - k, rounded to the nearest integer with halves to even.
int halfMinus(int height, int k);

} // namespace kelvane
