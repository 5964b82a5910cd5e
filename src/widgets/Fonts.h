#pragma once

#include <QFont>

namespace orvane {

// The window font: "MS Sans Serif" 8 point where it exists. Elsewhere a face
// of the same widths (Liberation Sans, Arimo, Arial) at the same 11-pixel
// height, or DejaVu Sans one pixel smaller, so every text fits the fixed
// label widths of the windows.
QFont windowFont();
// The panels' headings: the window face, bold, 13 pixels high.
QFont headingFont();

} // namespace orvane
