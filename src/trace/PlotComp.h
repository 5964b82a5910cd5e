#pragma once

#include "PlotModel.h"
#include "PlotSeries.h"

#include <QColor>
#include <QDateTime>
#include <QFrame>
#include <QImage>
#include <QList>
#include <QPen>
#include <QStaticText>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QTimer;

namespace orvane {

class PlotCanvas;
class TPlot;

// Event of the timer feed: the handler sets NewValue.
using TDataRequest = std::function<void(TPlot *Sender, double &NewValue)>;

// The chart control: a bordered panel that draws up to six time traces (or
// three X-Y curves) over a fixed grid with tick labels, a title, two axis
// captions and a legend, zooms with a left-button drag and returns to the full
// view with a right-button click. It owns its sample store (PlotModel) and
// knows nothing of modules or signals.
//
// The plot is rendered into a cached image whenever its store, its scale
// values, its properties or its size changed; other paints (an uncovered
// window, the rubber band of a zoom drag) only copy that image.
//
// Instead of its store the plot can draw a PlotSeriesSet: up to eight long
// traces (a measurement log), reduced to the smallest and largest value of
// each pixel column, with a legend entry per shown trace that gives the
// minimum and maximum of the visible range.
class TPlot : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE setTitle)
    Q_PROPERTY(QColor TitleColor READ TitleColor WRITE setTitleColor)
    Q_PROPERTY(QColor BGColor READ BGColor WRITE setBGColor)
    Q_PROPERTY(QColor GridColor READ GridColor WRITE setGridColor)
    Q_PROPERTY(int NrOfPoints READ NrOfPoints WRITE setNrOfPoints)
    Q_PROPERTY(double YScaleOrigin READ YScaleOrigin WRITE setYScaleOrigin)
    Q_PROPERTY(double YScaleSpan READ YScaleSpan WRITE setYScaleSpan)
    Q_PROPERTY(double XScaleOrigin READ XScaleOrigin WRITE setXScaleOrigin)
    Q_PROPERTY(double XScaleSpan READ XScaleSpan WRITE setXScaleSpan)
    Q_PROPERTY(bool EnableAutoScale READ EnableAutoScale WRITE setEnableAutoScale)
    Q_PROPERTY(int UpdateInterval READ UpdateInterval WRITE setUpdateInterval)
    Q_PROPERTY(bool UpdateActive READ UpdateActive WRITE setUpdateActive)
    Q_PROPERTY(QString XLabel READ XLabel WRITE setXLabel)
    Q_PROPERTY(QString YLabel READ YLabel WRITE setYLabel)
    Q_PROPERTY(int XDigits READ XDigits WRITE setXDigits)
    Q_PROPERTY(int YDigits READ YDigits WRITE setYDigits)
    Q_PROPERTY(bool XY_Mode READ XY_Mode WRITE setXY_Mode)
    Q_PROPERTY(bool XLabelDouble READ XLabelDouble WRITE setXLabelDouble)
    Q_PROPERTY(QString Signal1Name READ Signal1Name WRITE setSignal1Name)
    Q_PROPERTY(QString Signal2Name READ Signal2Name WRITE setSignal2Name)
    Q_PROPERTY(QString Signal3Name READ Signal3Name WRITE setSignal3Name)
    Q_PROPERTY(QString Signal4Name READ Signal4Name WRITE setSignal4Name)
    Q_PROPERTY(bool ShowLegend READ ShowLegend WRITE setShowLegend)
    Q_PROPERTY(bool LogicMode READ LogicMode WRITE setLogicMode)

public:
    explicit TPlot(QWidget *parent = nullptr);
    ~TPlot() override;

    // --- properties ---
    QString Title() const { return m_title; }
    QColor TitleColor() const { return m_titleColor; }
    QColor BGColor() const { return m_bgColor; }
    QColor GridColor() const { return m_gridColor; }
    int NrOfPoints() const { return m_model.NrOfPoints(); }
    double YScaleOrigin() const { return m_model.current().YScaleOrigin; }
    double YScaleSpan() const { return m_model.current().YScaleSpan; }
    double XScaleOrigin() const { return m_model.current().XScaleOrigin; }
    double XScaleSpan() const { return m_model.current().XScaleSpan; }
    bool EnableAutoScale() const { return m_model.EnableAutoScale(); }
    int UpdateInterval() const { return m_updateInterval; }
    bool UpdateActive() const { return m_updateActive; }
    QString XLabel() const { return m_xLabel; }
    QString YLabel() const { return m_yLabel; }
    int XDigits() const { return m_xDigits; }
    int YDigits() const { return m_yDigits; }
    bool XY_Mode() const { return m_xyMode; }
    bool XLabelDouble() const { return m_xLabelDouble; }
    QString Signal1Name() const { return m_signalNames[0]; }
    QString Signal2Name() const { return m_signalNames[1]; }
    QString Signal3Name() const { return m_signalNames[2]; }
    QString Signal4Name() const { return m_signalNames[3]; }
    bool ShowLegend() const { return m_model.ShowLegend(); }
    bool LogicMode() const { return m_model.LogicMode(); }

    void setTitle(const QString &text);
    void setTitleColor(const QColor &color);
    void setBGColor(const QColor &color);
    void setGridColor(const QColor &color);
    // Values outside 1..kMaxNrOfPoints are ignored.
    void setNrOfPoints(int value);
    // Both the current and the full-view value; EnableAutoScale off. Spans
    // <= 0 and values that are not finite are ignored.
    void setYScaleOrigin(double value);
    void setYScaleSpan(double value);
    void setXScaleOrigin(double value);
    void setXScaleSpan(double value);
    void setEnableAutoScale(bool on);
    // Restarts UpdateTimer with the new period; 0 or less stops it.
    void setUpdateInterval(int ms);
    void setUpdateActive(bool on);
    void setXLabel(const QString &text);
    void setYLabel(const QString &text);
    void setXDigits(int digits);
    void setYDigits(int digits);
    void setXY_Mode(bool on);
    void setXLabelDouble(bool on);
    void setSignal1Name(const QString &text) { setSignalName(1, text); }
    void setSignal2Name(const QString &text) { setSignalName(2, text); }
    void setSignal3Name(const QString &text) { setSignalName(3, text); }
    void setSignal4Name(const QString &text) { setSignalName(4, text); }
    void setSignalName(int entry, const QString &text);
    void setShowLegend(bool on);
    void setLogicMode(bool on);

    // Event of the timer feed; unassigned (empty) by default.
    TDataRequest DataRequest;
    // Local date and time for the timer feed's X values; the system clock
    // when empty.
    std::function<QDateTime()> Clock;
    QTimer *UpdateTimer = nullptr;

    // --- store and scales ---
    PlotModel &model() { return m_model; }
    const PlotModel &model() const { return m_model; }
    void AddPoints(int trace, const QList<double> &xs, const QList<double> &ys);
    void ShiftTrace(int trace) { m_model.ShiftTrace(trace); }
    // ShiftTrace(1), then the newest point of trace 1 := (now as a day count
    // since 30 December 1899, value).
    void AddSample(double value);
    // Conversions in the coordinates of the plot's client area (inside the
    // border), for the control's present size and scale values.
    QPointF PixelToData(int px, int py) const { return m_model.PixelToData(px, py); }
    QPoint DataToPixel(int trace, double u, double v) const
    {
        return m_model.DataToPixel(trace, u, v);
    }
    // Invalidates the whole control; the toolkit paints it once later.
    void requestRepaint();

    // Trace colours: 1..6 those of the trace window, 7 and 8 for longer
    // lists of signals.
    static QColor traceColor(int trace);
    static constexpr int kMaxSeries = 8;

    // --- long traces instead of the store (null: the store again) ---
    void setSeries(std::shared_ptr<const PlotSeriesSet> series);
    const PlotSeriesSet *series() const { return m_series.get(); }
    void setSeriesShown(int index, bool shown); // index 0..
    bool seriesShown(int index) const;
    // Texts of the X tick labels (centred on their grid lines); empty: the
    // value with XDigits decimals.
    void setXTickText(std::function<QString(double)> text);
    // Right margin while the legend shows; 100 pixels unless set.
    void setLegendWidth(int pixels);

    // The client area's drawing as vectors, texts as text (a picture file).
    void renderVector(QPainter &painter);
    // Ends a zoom drag without zooming; the rubber band disappears.
    void cancelZoomDrag();
    bool zoomDragging() const { return m_dragging; }

    // The plot's client area as the next paint draws it, rendered if it is
    // stale (for tests and benchmarks: without the window system).
    const QImage &render();
    // Number of times the plot was rendered into its image.
    quint64 renderCount() const { return m_renderCount; }

protected:
    bool event(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // A text laid out once and drawn from its layout until its content or
    // the font changes.
    struct CachedText
    {
        QStaticText text;
        QString source;
        double value = 0.0;
        int decimals = -1;
        quint64 fontGeneration = 0;
    };

    void UpdateTimerTimer();
    void propertyChanged(bool repaint);
    QPoint clientPos(const QMouseEvent *event) const;
    QRegion bandRegion(QPoint a, QPoint b) const;

    // Drawing steps (PlotComp_Paint.cpp).
    void ensureFrame();
    void renderFrame();
    void drawLines(PlotCanvas &canvas, const PlotGeometry &g);
    void drawTexts(QPainter &p, const PlotGeometry &g);
    void DrawGrid(PlotCanvas &canvas, const PlotGeometry &g);
    void DrawStripGrid(PlotCanvas &canvas, const PlotGeometry &g);
    void drawAxisTexts(QPainter &p, const PlotGeometry &g);
    void drawXTicks(QPainter &p, const PlotGeometry &g);
    void DrawTraces(PlotCanvas &canvas);
    void DrawLegend(QPainter &p, const PlotGeometry &g);
    // Long traces (PlotComp_Series.cpp).
    void drawSeries(PlotCanvas &canvas, const PlotGeometry &g);
    void drawSeriesLegend(QPainter &p, const PlotGeometry &g);
    void drawBand(QPainter &p);
    static QRegion bandPixels(QPoint a, QPoint b);
    const QStaticText &plainText(CachedText &cache, const QString &text, const QFont &font);
    const QStaticText &numberText(CachedText &cache, double value, int decimals, const QFont &font,
        const char *prefix, const char *suffix);

    PlotModel m_model;
    QString m_title;
    QColor m_titleColor { 0, 0, 128 };
    QPen m_titlePen { m_titleColor };
    QColor m_bgColor { 0, 0, 0 };
    QColor m_gridColor { 255, 255, 255 };
    int m_updateInterval = 1000;
    bool m_updateActive = false;
    QString m_xLabel;
    QString m_yLabel;
    int m_xDigits = 2;
    int m_yDigits = 2;
    bool m_xyMode = false;
    bool m_xLabelDouble = false;
    std::array<QString, 4> m_signalNames;

    // Zoom drag, in client-area pixels.
    bool m_dragging = false;
    bool m_firstMove = true;
    QPoint m_start;
    QPoint m_last;

    // The rendered plot and what it was rendered from.
    QImage m_frame;
    QImage m_bandImage; // scratch for the rubber band's inverted pixels
    quint64 m_propsVersion = 1;
    quint64 m_renderedProps = 0;
    quint64 m_renderedModel = 0;
    quint64 m_renderCount = 0;
    std::vector<QPoint> m_points; // one trace's pixel points, NrOfPoints + 1

    // Texts of the last render.
    quint64 m_fontGeneration = 1;
    QFont m_boldFont;
    CachedText m_titleText, m_xLabelText, m_yLabelText;
    int m_titleWidth = 0;
    std::array<CachedText, 6> m_yTickTexts, m_xTickTexts;
    std::array<CachedText, 4> m_xMiddleTexts;
    std::array<CachedText, 2> m_stripTexts;
    std::array<CachedText, 4> m_legendNames, m_legendMax, m_legendMin;

    // Long traces, and the scratch of their reduction to pixel columns.
    std::shared_ptr<const PlotSeriesSet> m_series;
    std::array<bool, kMaxSeries> m_seriesShown {};
    std::array<QString, kMaxSeries> m_seriesNames, m_seriesUnits;
    std::function<QString(double)> m_xTickText;
    std::array<CachedText, 6> m_xTickLabels;
    std::array<CachedText, kMaxSeries> m_seriesNameTexts, m_seriesMaxTexts, m_seriesMinTexts;
    std::vector<std::size_t> m_bounds;
    std::vector<ColumnExtent> m_extents;
};

} // namespace orvane
