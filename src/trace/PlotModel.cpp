#include "PlotModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {

namespace {
bool validTrace(int trace)
{
    return trace >= 1 && trace <= kPlotTraces;
}

// Rounds a pixel coordinate to the nearest integer (halves to even) after
// clamping it to [lo, hi] in floating point, so that no infinite or huge value
// ever reaches the integer conversion. A value that is not a number becomes
// `ifNaN` (one of the bounds). The bounds are small integers; adding and
// taking away 1.5 * 2^52 rounds such a value to nearest-even in the default
// rounding mode, like nearbyint() but without a library call per point.
int toPixel(double v, double lo, double hi, double ifNaN)
{
    if (v >= lo) {
        if (v > hi)
            v = hi;
    } else {
        v = v < lo ? lo : ifNaN;
    }
    constexpr double kRound = 0x1.8p52;
    return int((v + kRound) - kRound);
}

// LogicMode strip of a trace: traces 1 and 5 in the top strip (3), 2 and 6
// below it, 3 next and 4 at the bottom (0).
int stripOf(int trace)
{
    switch (trace) {
    case 1:
    case 5:
        return 3;
    case 2:
    case 6:
        return 2;
    case 3:
        return 1;
    default:
        return 0;
    }
}

// The arithmetic of DataToPixel for one size and one set of scales, set up
// once and applied to many points.
struct PixelMapping
{
    PixelMapping(const PlotGeometry &g, const PlotScales &s, bool logicMode, int trace)
        : xOrigin(s.XScaleOrigin)
        , yOrigin(s.YScaleOrigin)
        , xPerUnit(g.PW / s.XScaleSpan)
        , yPerUnit(g.PH / s.YScaleSpan)
        , stripPerUnit(g.S / s.YScaleSpan)
        , left(g.L)
        , right(g.right())
        , top(g.T)
        , bottom(g.bottom())
        , strip(g.S)
        , stripBottom(g.stripBottom(stripOf(trace)))
        , logic(logicMode)
    {
    }

    QPoint map(double u, double v) const
    {
        const int x = toPixel((u - xOrigin) * xPerUnit + left, left, right, left);
        double y;
        if (logic) {
            double d = (v - yOrigin) * stripPerUnit;
            if (d >= 0.0) {
                if (d > strip)
                    d = strip;
            } else {
                d = 0.0; // also a value that is not a number
            }
            y = stripBottom - d;
        } else {
            y = bottom - (v - yOrigin) * yPerUnit;
        }
        return QPoint(x, toPixel(y, top, bottom, bottom));
    }

    double xOrigin, yOrigin, xPerUnit, yPerUnit, stripPerUnit;
    double left, right, top, bottom, strip, stripBottom;
    bool logic;
};

// min(a, b) clamped from below by the current origin, and the span up to
// max(a, b); both tested before they are taken.
bool zoomAxis(double a, double b, double &origin, double &span, double fullSpan)
{
    const double newOrigin = std::max(std::min(a, b), origin);
    const double newSpan = std::max(a, b) - newOrigin;
    if (!std::isfinite(newOrigin) || !PlotModel::acceptableSpan(newSpan, fullSpan))
        return false;
    origin = newOrigin;
    span = newSpan;
    return true;
}

double clampToAxis(double value, double origin, double span)
{
    return std::clamp(value, origin, std::max(origin, origin + span));
}
} // namespace

PlotModel::PlotModel()
{
    m_store.resize(std::size_t(m_nrOfPoints) + 1);
}

bool PlotModel::setNrOfPoints(int value)
{
    if (value < 1 || value > kMaxNrOfPoints)
        return false;
    m_nrOfPoints = value;
    m_store.resize(std::size_t(value) + 1);
    ++m_version;
    return true;
}

void PlotModel::ShiftTrace(int trace)
{
    if (!validTrace(trace))
        return;
    const int t = trace - 1;
    for (int j = 0; j < m_nrOfPoints; ++j) {
        m_store[j].X[t] = m_store[j + 1].X[t];
        m_store[j].Y[t] = m_store[j + 1].Y[t];
    }
    ++m_version;
}

void PlotModel::AddPoints(int trace, std::span<const double> xs, std::span<const double> ys)
{
    const std::size_t n = std::min(xs.size(), ys.size());
    if (!validTrace(trace) || n == 0)
        return;
    // The same result as n rounds of ShiftTrace and one assignment each, in
    // one pass: the trace keeps its newest size - n points, then the lists.
    const int t = trace - 1;
    const std::size_t size = m_store.size();
    if (n >= size) {
        for (std::size_t j = 0; j < size; ++j) {
            m_store[j].X[t] = xs[n - size + j];
            m_store[j].Y[t] = ys[n - size + j];
        }
    } else {
        for (std::size_t j = 0; j + n < size; ++j) {
            m_store[j].X[t] = m_store[j + n].X[t];
            m_store[j].Y[t] = m_store[j + n].Y[t];
        }
        for (std::size_t k = 0; k < n; ++k) {
            m_store[size - n + k].X[t] = xs[k];
            m_store[size - n + k].Y[t] = ys[k];
        }
    }
    ++m_version;
}

void PlotModel::addPoint(int trace, double x, double y)
{
    AddPoints(trace, std::span<const double>(&x, 1), std::span<const double>(&y, 1));
}

bool PlotModel::setXScaleOrigin(double value)
{
    if (!std::isfinite(value))
        return false;
    m_current.XScaleOrigin = m_full.XScaleOrigin = value;
    m_enableAutoScale = false;
    ++m_version;
    return true;
}

bool PlotModel::setYScaleOrigin(double value)
{
    if (!std::isfinite(value))
        return false;
    m_current.YScaleOrigin = m_full.YScaleOrigin = value;
    m_enableAutoScale = false;
    ++m_version;
    return true;
}

bool PlotModel::setXScaleSpan(double value)
{
    if (!(value > 0.0) || !std::isfinite(value))
        return false;
    m_current.XScaleSpan = m_full.XScaleSpan = value;
    m_enableAutoScale = false;
    ++m_version;
    return true;
}

bool PlotModel::setYScaleSpan(double value)
{
    if (!(value > 0.0) || !std::isfinite(value))
        return false;
    m_current.YScaleSpan = m_full.YScaleSpan = value;
    m_enableAutoScale = false;
    ++m_version;
    return true;
}

void PlotModel::setEnableAutoScale(bool on)
{
    m_enableAutoScale = on;
    ++m_version;
    if (on)
        AutoScale();
}

void PlotModel::AutoScale()
{
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -minimum;
    for (const TPlotSample &sample : m_store) {
        const double v = sample.Y[0];
        if (!std::isfinite(v))
            continue;
        minimum = std::min(minimum, v);
        maximum = std::max(maximum, v);
    }
    ++m_version;
    if (minimum > maximum)
        return; // no finite value to scale on
    double origin = minimum;
    double span = 1.0;
    if (minimum != maximum) {
        const double margin = std::fabs(0.2 * minimum);
        const double o = minimum - margin;
        const double s = maximum + margin - o;
        // Values near the ends of the double range overflow the margin
        // arithmetic; such a store is shown like equal values.
        if (std::isfinite(o) && std::isnormal(s) && s > 0.0) {
            origin = o;
            span = s;
        }
    }
    m_current.YScaleOrigin = origin;
    m_current.YScaleSpan = span;
}

void PlotModel::restoreFullView()
{
    m_current = m_full;
    ++m_version;
}

bool PlotModel::setFullViewXScaleOrigin(double value)
{
    if (!std::isfinite(value))
        return false;
    m_full.XScaleOrigin = value;
    ++m_version;
    return true;
}

void PlotModel::setLegendWidth(int pixels)
{
    pixels = std::clamp(pixels, 20, 1000);
    if (pixels == m_legendWidth)
        return;
    m_legendWidth = pixels;
    ++m_version;
}

void PlotModel::setSize(int width, int height)
{
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    ++m_version;
}

PlotGeometry PlotModel::geometry() const
{
    PlotGeometry g;
    g.W = m_width;
    g.H = m_height;
    g.R = m_showLegend ? m_legendWidth : 20;
    g.PW = double(g.W - g.L - g.R);
    g.PH = double(g.H - 2 * g.T);
    g.S = (g.H - 2 * g.T - 3 * g.Gap) / 4.0;
    return g;
}

QPoint PlotModel::DataToPixel(int trace, double u, double v) const
{
    return PixelMapping(geometry(), m_current, m_logicMode, trace).map(u, v);
}

void PlotModel::tracePixels(int trace, bool xyMode, QPoint *out) const
{
    const PixelMapping mapping(geometry(), m_current, m_logicMode, trace);
    const int n = pointCount();
    if (xyMode) {
        // Curve k joins (Y of trace 2k - 1, Y of trace 2k).
        const int tx = 2 * trace - 2;
        const int ty = 2 * trace - 1;
        for (int j = 0; j < n; ++j)
            out[j] = mapping.map(m_store[j].Y[tx], m_store[j].Y[ty]);
    } else {
        const int t = trace - 1;
        for (int j = 0; j < n; ++j)
            out[j] = mapping.map(m_store[j].X[t], m_store[j].Y[t]);
    }
}

QPointF PlotModel::PixelToData(int px, int py) const
{
    // The pixel scales come from the present size and spans, so the
    // conversion is right before the first paint and after a resize.
    const PlotGeometry g = geometry();
    const PlotScales &s = m_current;
    double x = s.XScaleOrigin;
    double y = s.YScaleOrigin;
    if (g.PW > 0.0)
        x = (px - g.L) / (g.PW / s.XScaleSpan) + s.XScaleOrigin;
    if (g.PH > 0.0)
        y = (g.H - py - g.T) / (g.PH / s.YScaleSpan) + s.YScaleOrigin;
    return QPointF(
        clampToAxis(x, s.XScaleOrigin, s.XScaleSpan), clampToAxis(y, s.YScaleOrigin, s.YScaleSpan));
}

bool PlotModel::canZoom() const
{
    const PlotGeometry g = geometry();
    return g.PW > 0.0 && g.PH > 0.0;
}

bool PlotModel::zoom(QPoint a, QPoint b)
{
    if (a.x() == b.x() || a.y() == b.y() || !canZoom())
        return false;
    const QPointF p1 = PixelToData(a.x(), a.y());
    const QPointF p2 = PixelToData(b.x(), b.y());
    zoomAxis(p1.x(), p2.x(), m_current.XScaleOrigin, m_current.XScaleSpan, m_full.XScaleSpan);
    if (!m_logicMode)
        zoomAxis(p1.y(), p2.y(), m_current.YScaleOrigin, m_current.YScaleSpan, m_full.YScaleSpan);
    ++m_version;
    return true;
}

void PlotModel::traceRange(int trace, double *minimum, double *maximum) const
{
    *minimum = *maximum = 0.0;
    if (!validTrace(trace))
        return;
    // A trace that is infinite shows as such, as the data line shows it; a
    // value that is not a number has no place in an order and shows only
    // when the trace holds nothing else.
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    bool any = false;
    for (const TPlotSample &sample : m_store) {
        const double v = sample.Y[trace - 1];
        if (!std::isnan(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            any = true;
        }
    }
    if (any) {
        *minimum = lo;
        *maximum = hi;
    } else {
        *minimum = *maximum = std::numeric_limits<double>::quiet_NaN();
    }
}

bool PlotModel::acceptableSpan(double span, double fullSpan)
{
    return std::isfinite(span) && std::isnormal(span) && span > 0.0
        && span >= fullSpan * kMinZoomFraction;
}

} // namespace orvane
