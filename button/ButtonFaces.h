#pragma once

#include "button/ButtonCanvas.h"
#include "button/ButtonStyle.h"

#include <QRegion>

namespace kelvane {

// What a face depends on: the style, the drawing state, the focus and the colour settings.
struct FaceSettings
{
    ButtonStyle style = ButtonStyle::Raised;
    ButtonStates state = ButtonStates::Normal;
    bool hasFocus = false;
    bool showFocus = false;
    bool useCustomColors = false;
    OleColor backColor = 0;      // used when useCustomColors
    OleColor highlightColor = 0; // used when useCustomColors
    QRect contentEdges;          // left, top, and right, bottom just outside
};

// Draws the face of every style but Themed (the button draws that one) over the whole canvas;
// a style outside the named ones draws nothing.
void drawFace(ButtonCanvas& canvas, const FaceSettings& settings);

// The window outline of a style at the given client size.
QRegion styleRegion(ButtonStyle style, int width, int height);

// The icon's distance from the edge it is aligned to.
int iconMargin(ButtonStyle style);

// H/2 - k, rounded to the nearest integer with halves to even.
int halfMinus(int height, int k);

} // namespace kelvane
