#include "NumberText.h"

#include <cmath>
#include <cstdio>

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
} // namespace

QByteArray formatFixed(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > 40)
        decimals = 40;
    // printf rounds exact ties to even; one step away from zero turns a tie
    // into a value just beyond it, which printf then rounds away from zero.
    if (std::isfinite(value) && isExactTie(value, decimals))
        value = std::nextafter(value, value < 0 ? -INFINITY : INFINITY);
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    if (n < 0)
        return {};
    QByteArray out;
    if (n < int(sizeof buf)) {
        out = QByteArray(buf, n);
    } else {
        out = QByteArray(n + 1, Qt::Uninitialized);
        std::snprintf(out.data(), out.size(), "%.*f", decimals, value);
        out.chop(1);
    }
    // The C library follows the process locale (QCoreApplication sets it from
    // the environment), which may use "," as the decimal separator.
    out.replace(',', '.');
    return out;
}

} // namespace orvane
