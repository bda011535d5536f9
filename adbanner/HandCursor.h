#pragma once

#include <QCursor>

namespace kelvane {

// The hand pointer of link areas: 32 × 32, black outline on white, index finger up, with the hot
// spot on the fingertip at (6, 0).
QCursor handCursor();

} // namespace kelvane
