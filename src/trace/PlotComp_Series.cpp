// How the plot draws long traces (a PlotSeriesSet): each trace is reduced to
// its pixel columns, a vertical stroke from the smallest to the largest
// value of each column, joined to the neighbouring columns' points by lines.
// When zoomed in so far that a column holds one point or none this is the
// exact line through the points. The cost follows the number of columns,
// not of points.
#include "PlotComp.h"

#include "PlotComp_Raster.h"
#include "modules/NumberText.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {
// Far enough outside any plot area; keeps infinite values out of the
// clipping arithmetic.
constexpr double kFar = 1e7;

double limited(double v)
{
    return std::clamp(v, -kFar, kFar);
}

int px(double v)
{
    return int(std::nearbyint(v));
}

// Draws the part of the line a-b inside the plot area (Liang-Barsky).
void clippedLine(PlotCanvas &canvas, QPointF a, QPointF b, const PlotGeometry &g, QRgb color)
{
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = { -dx, dx, -dy, dy };
    const double q[4] = { a.x() - g.L, g.right() - a.x(), a.y() - g.T, g.bottom() - a.y() };
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return; // parallel to this edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return;
    canvas.line(QPoint(px(a.x() + t0 * dx), px(a.y() + t0 * dy)),
        QPoint(px(a.x() + t1 * dx), px(a.y() + t1 * dy)), color);
}
} // namespace

void TPlot::drawSeries(PlotCanvas &canvas, const PlotGeometry &g)
{
    const PlotSeriesSet &set = *m_series;
    const PlotScales &s = m_model.current();
    if (g.PW <= 0.0 || g.PH <= 0.0 || set.size() == 0)
        return;
    const double xPerUnit = g.PW / s.XScaleSpan;
    const double yPerUnit = g.PH / s.YScaleSpan;
    const int columns = px(g.PW) + 1; // pixel columns L ... W - R
    columnBounds(set.x, s.XScaleOrigin, xPerUnit, columns, m_bounds);
    const std::size_t before = m_bounds.front(); // points left of the view: [0, before)
    const std::size_t after = m_bounds.back(); // right of it: [after, size)

    auto yPixel = [&](double v) { return limited(g.bottom() - (v - s.YScaleOrigin) * yPerUnit); };
    auto xPixel
        = [&](std::size_t i) { return limited(g.L + (set.x[i] - s.XScaleOrigin) * xPerUnit); };

    for (int k = 0; k < int(set.series.size()) && k < kMaxSeries; ++k) {
        if (!m_seriesShown[k])
            continue;
        const QRgb color = traceColor(k + 1).rgb();
        const std::vector<double> &y = set.series[std::size_t(k)].y;
        reduceColumns(set, k, m_bounds, m_extents);

        // The last point drawn, which the next one is joined to unless a
        // segment starts between them or either is not a number.
        bool joinable = false;
        std::size_t lastIndex = 0;
        QPointF lastPoint;
        auto joinTo = [&](std::size_t index, QPointF point) {
            if (joinable && !std::isnan(y[index]) && !set.breakBetween(lastIndex, index))
                clippedLine(canvas, lastPoint, point, g, color);
        };
        if (before > 0) {
            lastIndex = before - 1;
            lastPoint = QPointF(xPixel(lastIndex), yPixel(y[lastIndex]));
            joinable = !std::isnan(y[lastIndex]);
        }
        for (int c = 0; c < columns; ++c) {
            const ColumnExtent &col = m_extents[std::size_t(c)];
            if (col.first > col.last)
                continue;
            const int x = g.L + c;
            joinTo(col.first, QPointF(x, yPixel(y[col.first])));
            if (!std::isnan(col.minimum)) {
                const double top = yPixel(col.maximum);
                const double bottom = yPixel(col.minimum);
                if (bottom >= g.T && top <= g.bottom())
                    canvas.vline(x, px(std::max(top, double(g.T))),
                        px(std::min(bottom, double(g.bottom()))), color);
            }
            lastIndex = col.last;
            lastPoint = QPointF(x, yPixel(y[col.last]));
            joinable = !std::isnan(y[col.last]);
        }
        if (after < set.size())
            joinTo(after, QPointF(xPixel(after), yPixel(y[after])));
    }
}

// One entry per shown trace, from the top: the name in bold, then the
// largest and smallest value of the visible X range with the unit.
void TPlot::drawSeriesLegend(QPainter &p, const PlotGeometry &g)
{
    const PlotSeriesSet &set = *m_series;
    const PlotScales &s = m_model.current();
    const std::size_t begin = set.lowerBound(s.XScaleOrigin);
    const std::size_t end = set.upperBound(s.XScaleOrigin + s.XScaleSpan);
    int shown = 0;
    for (int k = 0; k < int(set.series.size()) && k < kMaxSeries; ++k)
        shown += m_seriesShown[k];
    if (shown == 0)
        return;
    const double entry = (g.H - 2 * g.T - (shown - 1) * g.Gap) / double(shown);
    const int x = px(g.PW + g.L + 10);
    const QFont regular = font();
    int n = 0;
    for (int k = 0; k < int(set.series.size()) && k < kMaxSeries; ++k) {
        if (!m_seriesShown[k])
            continue;
        const int top = px(n * entry + g.T + n * g.Gap);
        ++n;
        const auto [minimum, maximum] = set.valueRange(k, begin, end);
        // A range with no number in it shows a dash.
        auto valueText = [&](const char *label, double v) {
            const QByteArray number = std::isnan(minimum) ? QByteArray("-") : formatFixed(v, 3);
            QString text = QLatin1String(label) + QString::fromLatin1(number);
            return m_seriesUnits[k].isEmpty() ? text : text + QLatin1Char(' ') + m_seriesUnits[k];
        };
        p.setPen(traceColor(k + 1));
        p.setFont(m_boldFont);
        p.drawStaticText(x, top, plainText(m_seriesNameTexts[k], m_seriesNames[k], m_boldFont));
        p.setFont(regular);
        p.drawStaticText(
            x, top + 15, plainText(m_seriesMaxTexts[k], valueText("Max: ", maximum), regular));
        p.drawStaticText(
            x, top + 30, plainText(m_seriesMinTexts[k], valueText("Min: ", minimum), regular));
    }
}

} // namespace orvane
