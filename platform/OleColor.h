#pragma once

#include <QColor>
#include <QtGlobal>

namespace kelvane {

// A colour as placed controls store it: 0x00BBGGRR (red in the low byte). Values with the top
// bit set (0x800000nn) refer to system colour nn.
using OleColor = quint32;

// The low three bytes as an opaque QColor. A system-colour reference is not looked up here:
// callers that may hold one translate it to RGB first.
QColor oleToQColor(OleColor colour);
// A QColor's red, green and blue as 0x00BBGGRR.
OleColor oleFromQColor(const QColor& colour);

} // namespace kelvane
