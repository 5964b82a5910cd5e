#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace orvane {

namespace {
// A double lies exactly half-way at `decimals` places when value * 10^d is an
// odd multiple of 1/2, i.e. when value * 2^(d+1) is an odd integer (the factor
// 5^d is odd). Multiplying by a power of two is exact, so this test is exact.
bool isExactTie(double value, int decimals)
{
    const double scaled = std::ldexp(std::fabs(value), decimals + 1);
    if (!std::isfinite(scaled) || scaled >= 0x1p63)
        return false;
    if (std::floor(scaled) != scaled)
        return false;
    return std::fmod(scaled, 2.0) == 1.0;
}

QByteArray nonFiniteText(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("NAN");
    return value < 0 ? QByteArrayLiteral("-INF") : QByteArrayLiteral("INF");
}

// printf with the decimal separator forced to "." (the C library follows the
// process locale, which QCoreApplication takes from the environment).
QByteArray printC(const char *format, int precision, double value)
{
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, format, precision, value);
    if (n < 0)
        return {};
    QByteArray out;
    if (n < int(sizeof buf)) {
        out = QByteArray(buf, n);
    } else {
        out = QByteArray(n + 1, Qt::Uninitialized);
        std::snprintf(out.data(), out.size(), format, precision, value);
        out.chop(1);
    }
    out.replace(',', '.');
    return out;
}

constexpr int kTreePrecision = 8; // significant digits of a tree value

// Decimal exponent of the leading digit of `value` once it is rounded to
// 8 significant digits (1234.5 -> 3, 99999999.7 -> 8). Ties round to even
// here, which can only differ from rounding away from zero when the kept
// digits end in an even digit; a carry into a new leading digit needs all
// nines, so the exponent is the same either way.
int leadingExponent(double value)
{
    const QByteArray text = printC("%.*e", kTreePrecision - 1, value);
    const qsizetype e = text.indexOf('e');
    return e < 0 ? 0 : text.mid(e + 1).toInt();
}

// Moves a value that lies exactly half-way between two numbers of 8
// significant digits one step away from zero, so that printf's rounding goes
// away from zero too. Only values of 10^8 and more come here; a tie then needs
// an integer, and fmod() with an exactly representable power of ten is exact.
double tieAwayAtPrecision(double value)
{
    const int shift = leadingExponent(value) - (kTreePrecision - 1);
    if (shift < 1 || shift > 22)
        return value;
    double unit = 1.0;
    for (int i = 0; i < shift; ++i)
        unit *= 10.0; // exact up to 10^22
    if (std::fmod(std::fabs(value), unit) == unit / 2)
        return std::nextafter(value, value < 0 ? -INFINITY : INFINITY);
    return value;
}

QByteArray scientificTreeText(double value)
{
    const QByteArray text = printC("%.*e", kTreePrecision - 1, tieAwayAtPrecision(value));
    const qsizetype e = text.indexOf('e');
    if (e < 0)
        return text;
    QByteArray mantissa = text.left(e);
    if (mantissa.contains('.')) {
        while (mantissa.endsWith('0'))
            mantissa.chop(1);
        if (mantissa.endsWith('.'))
            mantissa.chop(1);
    }
    return mantissa + 'E' + QByteArray::number(text.mid(e + 1).toInt());
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A plain decimal number: [+-] digits [. digits] or [+-] . digits, then an
// optional exponent. Rejects the words, hexadecimal and separators that a
// general-purpose converter would take.
bool isDecimalNumber(const QByteArray &t)
{
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-'))
        ++i;
    qsizetype mantissaDigits = 0;
    while (i < n && isDigit(t[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && isDigit(t[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            ++i;
        qsizetype expDigits = 0;
        while (i < n && isDigit(t[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == n;
}
} // namespace

QByteArray formatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    decimals = std::clamp(decimals, 0, 40);
    // printf rounds exact ties to even; one step away from zero turns a tie
    // into a value just beyond it, which printf then rounds away from zero.
    if (isExactTie(value, decimals))
        value = std::nextafter(value, value < 0 ? -INFINITY : INFINITY);
    return printC("%.*f", decimals, value);
}

QByteArray formatLogColumn(double value)
{
    return ' ' + formatFixed(value, 4).rightJustified(10, ' ');
}

QByteArray formatZeroPadded(qint64 value, int width)
{
    // The width comes from the program's own formats; the cap only keeps a
    // wrong argument from building a huge text.
    width = std::clamp(width, 1, 64);
    const bool negative = value < 0;
    // Magnitude as unsigned, so the smallest qint64 has one too.
    const quint64 magnitude = negative ? 0 - quint64(value) : quint64(value);
    QByteArray digits = QByteArray::number(magnitude).rightJustified(width, '0');
    return negative ? '-' + digits : digits;
}

QByteArray formatTreeValue(double value, int digits)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    digits = std::clamp(digits, 0, 18);
    int decimals = digits;
    if (value != 0.0) {
        const int integerDigits = leadingExponent(value) + 1;
        if (integerDigits > kTreePrecision)
            return scientificTreeText(value);
        decimals = std::min(digits, kTreePrecision - integerDigits);
    }
    QByteArray text = formatFixed(value, decimals);
    if (decimals < digits) {
        if (decimals == 0)
            text += '.';
        text += QByteArray(digits - decimals, '0');
    }
    if (text.startsWith('-') && text.count('0') + 1 + (digits > 0 ? 1 : 0) == text.size())
        text.remove(0, 1); // "-0.000" -> "0.000"
    return text;
}

std::optional<double> readNumber(const QByteArray &text)
{
    QByteArray t = text;
    t.replace(',', '.');
    t = t.trimmed();
    if (!isDecimalNumber(t))
        return std::nullopt;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint32> readInteger(const QByteArray &text)
{
    const QByteArray t = text.trimmed();
    qsizetype i = (t.startsWith('+') || t.startsWith('-')) ? 1 : 0;
    if (i == t.size())
        return std::nullopt;
    for (; i < t.size(); ++i) {
        if (!isDigit(t[i]))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = t.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min()
        || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

} // namespace orvane
