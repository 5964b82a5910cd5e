#pragma once

#include <QByteArray>

#include <cstddef>
#include <utility>
#include <vector>

namespace orvane {

// Smallest and largest value of any index range of a long sequence in a few
// steps: the minimum and maximum of every block of 16 values, of every block
// of 16 blocks, and so on. Values that are not a number are left out;
// infinite ones count.
class MinMaxIndex
{
public:
    static constexpr std::size_t kBlock = 16;

    void build(const double *values, std::size_t count);
    // Over values [begin, end) of the sequence given to build(); both NaN
    // when the range holds no number.
    std::pair<double, double> range(const double *values, std::size_t begin, std::size_t end) const;

private:
    struct Level
    {
        std::vector<double> minimum;
        std::vector<double> maximum;
    };
    std::vector<Level> m_levels; // [0]: blocks of 16 values, [1]: of 16 blocks ...
};

// One long trace of a PlotSeriesSet.
struct PlotSeries
{
    QByteArray name;
    QByteArray unit;
    std::vector<double> y; // one value per X of the set
    MinMaxIndex index;
};

// Traces with many points on one common, non-decreasing X sequence, drawn by
// the plot control instead of its store. The points fall into segments
// (segmentStarts, the first at 0): no line joins two segments.
struct PlotSeriesSet
{
    std::vector<double> x;
    std::vector<PlotSeries> series;
    std::vector<std::size_t> segmentStarts;

    std::size_t size() const { return x.size(); }
    // Builds every series' MinMaxIndex; call once the values are complete.
    void buildIndexes();
    // First index whose X is >= u, and first whose X is > u.
    std::size_t lowerBound(double u) const;
    std::size_t upperBound(double u) const;
    // Whether a segment starts at an index in (i, j].
    bool breakBetween(std::size_t i, std::size_t j) const;
    // Smallest and largest value of a series over [begin, end).
    std::pair<double, double> valueRange(int series, std::size_t begin, std::size_t end) const;
};

// The points of a set that fall on each pixel column: column c (0 ...
// columns - 1) holds the points whose position (x - origin) * perUnit rounds
// to c (halves up). bounds receives columns + 1 indices; column c's points
// are [bounds[c], bounds[c + 1]). Points left of column 0 lie before
// bounds[0], those right of the last column from bounds[columns] on.
void columnBounds(const std::vector<double> &x, double origin, double perUnit, int columns,
    std::vector<std::size_t> &bounds);

// The reduction of one series to its pixel columns: smallest and largest
// value of each column, and its first and last point, for drawing one
// vertical stroke per column joined to its neighbours.
struct ColumnExtent
{
    double minimum;
    double maximum;
    std::size_t first; // index of the column's first point
    std::size_t last; // and of its last; first > last for an empty column
};
void reduceColumns(const PlotSeriesSet &set, int series, const std::vector<std::size_t> &bounds,
    std::vector<ColumnExtent> &out);

} // namespace orvane
