#pragma once

class QWidget;

namespace kelvane {

// Applies a whole-window alpha (0 transparent to 255 opaque) to a top-level window.
// Returns 0 when applied, 1 when alpha is outside 0..255 (nothing done), 2 when the platform
// could not apply it (no window, not a top-level window). Callers may ignore the result.
int SetWindowAlpha(QWidget* window, int alpha);

} // namespace kelvane
