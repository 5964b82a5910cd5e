#pragma once

#include <QByteArray>

namespace orvane {

// Number texts of the whole program. Every function here gives "." as the
// decimal separator whatever the locale, and rounds a value that lies exactly
// half-way between two results away from zero (0.125 -> "0.13",
// -0.125 -> "-0.13"); other values round to the nearest.

// Fixed notation with `decimals` digits after the point, a leading minus sign
// when negative, no thousands separators ("%.*f"). "%f" in this program's
// formats means formatFixed(value, 2).
QByteArray formatFixed(double value, int decimals);

} // namespace orvane
