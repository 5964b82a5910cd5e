#pragma once

#include <QByteArray>

#include <optional>

namespace orvane {

// Number texts of the whole program. Every function here gives "." as the
// decimal separator whatever the locale, and rounds a value that lies exactly
// half-way between two results away from zero (0.125 -> "0.13",
// -0.125 -> "-0.13"); other values round to the nearest.
// A value that is not a number reads "NAN", infinities "INF" and "-INF".

// Fixed notation with `decimals` digits after the point (0..40), a leading
// minus sign when negative, no thousands separators ("%.*f"). "%f" in this
// program's formats means formatFixed(value, 2).
QByteArray formatFixed(double value, int decimals);

// The two-decimal fixed text ("%f") of grid cells, alarm texts and the
// threshold edit.
inline QByteArray formatTwoDecimals(double value)
{
    return formatFixed(value, 2);
}

// One column of a measurement log line (" %10.4f"): a space, then the value
// with four decimals right-aligned in a field of at least ten characters.
QByteArray formatLogColumn(double value);

// A decimal integer with leading zeros to at least `width` digits ("%.*d");
// the minus sign of a negative value comes before the zeros ("-05"). A width
// below 1 counts as 1.
QByteArray formatZeroPadded(qint64 value, int width);

// The value text of a signal in the navigation tree: fixed notation with
// `digits` decimals (0..18), rounded to at most 8 significant digits, the
// missing decimals filled with zeros (12345.678901 with 6 digits gives
// "12345.679000"). When the integer part needs more than 8 digits the text is
// scientific instead: at most 8 significant digits without trailing zeros,
// "E" and the exponent without plus sign ("1.2345679E8", "-1E20"). A result
// that rounds to zero carries no minus sign.
QByteArray formatTreeValue(double value, int digits);

// Reads a number typed by the operator: every "," counts as ".", blanks around
// the number are ignored. Anything that is not a whole decimal number (empty
// text, letters, "1.2.3", a value too large for a double, "nan", "inf") gives
// no value, so the caller keeps what the field held.
std::optional<double> readNumber(const QByteArray &text);

// Reads a decimal integer typed by the operator (optional sign, blanks around
// it ignored). Anything else, including "2.5" and values outside 32 bits,
// gives no value.
std::optional<qint32> readInteger(const QByteArray &text);

} // namespace orvane
