#pragma once

#include <QtGlobal>

namespace kelvane {

// The looks the Style property selects. A stored style is a plain number and may lie outside
// this range; such a button draws no face, only its caption and icon.
enum class ButtonStyle : qint32
{
    Raised = 0,     // 3-D bevel, sunken while pressed
    ThinRaised = 1, // thin bevel, none while disabled
    Flat = 2,       // thin bevel only while hot or pressed
    Etched = 3,     // etched double frame around a tinted face
    Tinted = 4,     // pale face, highlight tints while hot or pressed
    Outlined = 5,   // gradient face in a dark outline, small clipped corners
    Themed = 6,     // the desktop theme's push button
    Derived = 7,    // gradient face from the face colour, small clipped corners
    Shadowed = 8,   // light rim and a shadow on two sides, larger clipped corners
    Banded = 9,     // shading bands across and down, larger clipped corners
    Skin = 10       // fixed round-cornered images
};

// What a repaint draws: input sets the first three, the repaint itself forces Pressed for a
// set toggle button and Disabled for a disabled one.
enum class ButtonStates
{
    Normal = 1,
    Hot = 2,
    Pressed = 3,
    Disabled = 4
};

// Where IconAlign puts the icon and CaptionAlign the caption. Other stored values put the icon
// in the top-left corner and leave the caption where the last layout put it.
enum class ButtonAlign : qint32
{
    Centre = 0,
    Left = 1,
    Right = 2,
    Top = 3,
    Bottom = 4
};

} // namespace kelvane
