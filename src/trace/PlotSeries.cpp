#include "PlotSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Running minimum and maximum that pass over NaN: a comparison with NaN is
// false, so a NaN never replaces a number, and the first number replaces
// the NaN start values.
struct Extent
{
    double lo = kNaN;
    double hi = kNaN;
    void add(double minimum, double maximum)
    {
        if (!(minimum >= lo))
            lo = std::isnan(minimum) ? lo : minimum;
        if (!(maximum <= hi))
            hi = std::isnan(maximum) ? hi : maximum;
    }
};
} // namespace

void MinMaxIndex::build(const double *values, std::size_t count)
{
    m_levels.clear();
    // Level k summarises the level below (the values themselves for k = 0)
    // in full blocks of kBlock; a partial block at the end is never needed,
    // since a query takes whole blocks only inside its range.
    const double *lows = values;
    const double *highs = values;
    std::size_t n = count;
    while (n >= kBlock) {
        Level level;
        const std::size_t blocks = n / kBlock;
        level.minimum.resize(blocks);
        level.maximum.resize(blocks);
        for (std::size_t b = 0; b < blocks; ++b) {
            Extent e;
            for (std::size_t i = b * kBlock; i < (b + 1) * kBlock; ++i)
                e.add(lows[i], highs[i]);
            level.minimum[b] = e.lo;
            level.maximum[b] = e.hi;
        }
        m_levels.push_back(std::move(level));
        lows = m_levels.back().minimum.data();
        highs = m_levels.back().maximum.data();
        n = blocks;
    }
}

std::pair<double, double> MinMaxIndex::range(
    const double *values, std::size_t begin, std::size_t end) const
{
    Extent e;
    const double *lows = values;
    const double *highs = values;
    for (std::size_t level = 0;; ++level) {
        // The loose ends of this level, then the whole blocks between them
        // one level up.
        if (level == m_levels.size() || end - begin < 2 * kBlock) {
            for (std::size_t i = begin; i < end; ++i)
                e.add(lows[i], highs[i]);
            break;
        }
        while (begin < end && begin % kBlock != 0)
            e.add(lows[begin], highs[begin]), ++begin;
        while (end > begin && end % kBlock != 0)
            --end, e.add(lows[end], highs[end]);
        begin /= kBlock;
        end /= kBlock;
        lows = m_levels[level].minimum.data();
        highs = m_levels[level].maximum.data();
    }
    return { e.lo, e.hi };
}

void PlotSeriesSet::buildIndexes()
{
    for (PlotSeries &s : series)
        s.index.build(s.y.data(), s.y.size());
}

std::size_t PlotSeriesSet::lowerBound(double u) const
{
    return std::size_t(std::lower_bound(x.begin(), x.end(), u) - x.begin());
}

std::size_t PlotSeriesSet::upperBound(double u) const
{
    return std::size_t(std::upper_bound(x.begin(), x.end(), u) - x.begin());
}

bool PlotSeriesSet::breakBetween(std::size_t i, std::size_t j) const
{
    const auto next = std::upper_bound(segmentStarts.begin(), segmentStarts.end(), i);
    return next != segmentStarts.end() && *next <= j;
}

std::pair<double, double> PlotSeriesSet::valueRange(int s, std::size_t begin, std::size_t end) const
{
    const PlotSeries &one = series[std::size_t(s)];
    end = std::min(end, one.y.size());
    if (begin >= end)
        return { kNaN, kNaN };
    return one.index.range(one.y.data(), begin, end);
}

void columnBounds(const std::vector<double> &x, double origin, double perUnit, int columns,
    std::vector<std::size_t> &bounds)
{
    // The column of a point in floating point, so that points far outside
    // never reach an integer conversion; it only grows with x, which makes
    // each bound a binary search.
    auto column = [origin, perUnit](double u) { return std::floor((u - origin) * perUnit + 0.5); };
    bounds.resize(std::size_t(std::max(columns, 0)) + 1);
    auto from = x.begin();
    for (int c = 0; c <= columns; ++c) {
        from = std::partition_point(from, x.end(), [&](double u) { return column(u) < c; });
        bounds[std::size_t(c)] = std::size_t(from - x.begin());
    }
}

void reduceColumns(const PlotSeriesSet &set, int series, const std::vector<std::size_t> &bounds,
    std::vector<ColumnExtent> &out)
{
    const std::size_t columns = bounds.empty() ? 0 : bounds.size() - 1;
    out.resize(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        const std::size_t begin = bounds[c];
        const std::size_t end = bounds[c + 1];
        ColumnExtent &col = out[c];
        if (begin >= end) {
            col = { kNaN, kNaN, 1, 0 };
            continue;
        }
        const auto [lo, hi] = set.valueRange(series, begin, end);
        col = { lo, hi, begin, end - 1 };
    }
}

} // namespace orvane
