#pragma once

#include <QPoint>
#include <QPointF>

#include <array>
#include <span>
#include <vector>

namespace orvane {

inline constexpr int kPlotTraces = 6;
// Store sizes outside 1..kMaxNrOfPoints are refused: a size from a damaged
// configuration must not allocate without bound.
inline constexpr int kMaxNrOfPoints = 100000;

// One record of the sample store: a Y and an X value for each of the six
// traces (element t - 1 holds trace t).
struct TPlotSample
{
    std::array<double, kPlotTraces> Y {};
    std::array<double, kPlotTraces> X {};
};

// One set of scale values: the data value at the left and bottom edges of the
// plot area and the ranges shown over its width and height (spans > 0).
struct PlotScales
{
    double XScaleOrigin = 0.0;
    double XScaleSpan = 100.0;
    double YScaleOrigin = 0.0;
    double YScaleSpan = 100.0;
    bool operator==(const PlotScales &) const = default;
};

// The fixed layout of the plot for one client size: margins, plot area and
// the height of one legend entry or LogicMode strip.
struct PlotGeometry
{
    static constexpr int L = 40; // left margin
    static constexpr int T = 20; // top margin, also the bottom margin
    static constexpr int Gap = 10; // between legend entries and strips
    int W = 0;
    int H = 0;
    int R = 100; // right margin: 100 with legend, else 20
    double PW = 0.0; // plot area width
    double PH = 0.0; // plot area height
    double S = 0.0; // legend entry and strip height
    int right() const { return W - R; }
    int bottom() const { return H - T; }
    // Bottom edge of strip k (0 = lowest ... 3 = top) in LogicMode.
    double stripBottom(int k) const { return (H - T) - k * (S + Gap); }
};

// The state of the plot control without its widget: the sample store, the
// current and full-view scale values, the automatic Y scaling, and the
// conversions between data values and pixels for the control's current
// size. The widget paints from this state only. Traces are numbered 1..6.
class PlotModel
{
public:
    PlotModel();

    // --- sample store: NrOfPoints + 1 records, index 0 the oldest ---
    int NrOfPoints() const { return m_nrOfPoints; }
    // Resizes the store; records below the new length keep their values,
    // new ones are zero. Values outside 1..kMaxNrOfPoints are ignored
    // (returns false).
    bool setNrOfPoints(int value);
    // Moves every point of the trace one place towards index 0; the newest
    // record keeps its old values until the caller overwrites them.
    void ShiftTrace(int trace);
    // For each index k: ShiftTrace, then the newest point := (xs[k], ys[k]).
    // Lists of unequal length are read up to the shorter one; a trace number
    // outside 1..6 is ignored.
    void AddPoints(int trace, std::span<const double> xs, std::span<const double> ys);
    void addPoint(int trace, double x, double y);
    double x(int trace, int index) const { return m_store[index].X[trace - 1]; }
    double y(int trace, int index) const { return m_store[index].Y[trace - 1]; }
    int pointCount() const { return m_nrOfPoints + 1; }

    // --- scale values ---
    const PlotScales &current() const { return m_current; }
    const PlotScales &fullView() const { return m_full; }
    // The setters write both copies and switch EnableAutoScale off. Spans
    // <= 0 and values that are not finite are ignored. They return whether
    // anything was assigned, i.e. whether the plot needs a repaint.
    bool setXScaleOrigin(double value);
    bool setYScaleOrigin(double value);
    bool setXScaleSpan(double value);
    bool setYScaleSpan(double value);
    bool EnableAutoScale() const { return m_enableAutoScale; }
    // Stores the flag; true runs AutoScale once.
    void setEnableAutoScale(bool on);
    // Current Y origin and span from the finite Y values of trace 1, with a
    // margin of 20 % of the minimum's magnitude below and above.
    void AutoScale();
    // Current scale values := full-view values.
    void restoreFullView();
    // Whether the current view differs from the full view (the operator
    // zoomed in, or AutoScale moved the Y range).
    bool zoomed() const { return !(m_current == m_full); }
    // Moves only the full view's X origin: what a right-click returns to.
    bool setFullViewXScaleOrigin(double value);

    // --- layout and pixel conversion ---
    void setSize(int width, int height);
    void setShowLegend(bool on) { m_showLegend = on; }
    // Right margin while the legend shows (100 pixels unless set).
    void setLegendWidth(int pixels);
    int LegendWidth() const { return m_legendWidth; }
    void setLogicMode(bool on) { m_logicMode = on; }
    bool ShowLegend() const { return m_showLegend; }
    bool LogicMode() const { return m_logicMode; }
    PlotGeometry geometry() const;
    // Pixel position of data point (u, v) of a trace, clamped to the plot
    // area; a value that is not a number lands on the origin's edge.
    QPoint DataToPixel(int trace, double u, double v) const;
    // The pixel points of trace t (or, with xyMode, of X-Y curve t = 1..3)
    // into out, which must hold pointCount() points.
    void tracePixels(int trace, bool xyMode, QPoint *out) const;
    // Data point at a pixel, each coordinate clamped to the current range of
    // its axis.
    QPointF PixelToData(int px, int py) const;
    // Whether the plot area has a width and a height to zoom in.
    bool canZoom() const;
    // Zoom to the rectangle with corners a and b (pixels). Nothing changes
    // when the corners share a column or a row, when the plot area is empty,
    // or, per axis, when the new span would not be a usable positive number
    // (see acceptableSpan). Y stays in LogicMode. Returns whether a repaint
    // is due.
    bool zoom(QPoint a, QPoint b);

    // Smallest and largest Y value of a trace's stored points, printed by the
    // legend. Infinite values count; values that are not a number only when
    // there is nothing else (both NaN then). 0 and 0 for no trace.
    void traceRange(int trace, double *minimum, double *maximum) const;

    // Grows by one at every change of stored points or scale values.
    quint64 version() const { return m_version; }

    // A span a zoom may produce: finite, a normal positive number and not
    // below kMinZoomFraction of the full-view span.
    static bool acceptableSpan(double span, double fullSpan);
    static constexpr double kMinZoomFraction = 1e-9;

private:
    std::vector<TPlotSample> m_store;
    int m_nrOfPoints = 250;
    PlotScales m_current;
    PlotScales m_full;
    bool m_enableAutoScale = false;
    bool m_showLegend = true;
    bool m_logicMode = false;
    int m_legendWidth = 100;
    int m_width = 400;
    int m_height = 100;
    quint64 m_version = 0;
};

} // namespace orvane
