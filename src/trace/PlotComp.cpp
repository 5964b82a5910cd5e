#include "PlotComp.h"

#include "common/Text1252.h"

#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace orvane {

TPlot::TPlot(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain); // a single-line border
    setLineWidth(1);
    // Every pixel is painted (border and cached image): nothing behind the
    // control needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(400, 100);
    m_model.setSize(contentsRect().width(), contentsRect().height());
    m_boldFont = font();
    m_boldFont.setBold(true);
    m_points.resize(std::size_t(m_model.pointCount()));

    UpdateTimer = new QTimer(this);
    UpdateTimer->setObjectName(QStringLiteral("UpdateTimer"));
    UpdateTimer->setInterval(m_updateInterval);
    connect(UpdateTimer, &QTimer::timeout, this, &TPlot::UpdateTimerTimer);
    UpdateTimer->start();
}

TPlot::~TPlot() = default;

void TPlot::requestRepaint()
{
    update();
}

// "Store only" properties still count as changes of what a paint shows; the
// next paint, for whatever reason it comes, renders them.
void TPlot::propertyChanged(bool repaint)
{
    ++m_propsVersion;
    if (repaint)
        requestRepaint();
}

void TPlot::setTitle(const QString &text)
{
    m_title = text;
    propertyChanged(true);
}

void TPlot::setTitleColor(const QColor &color)
{
    m_titleColor = color;
    m_titlePen = QPen(color);
    propertyChanged(true);
}

void TPlot::setBGColor(const QColor &color)
{
    m_bgColor = color;
    propertyChanged(true);
}

void TPlot::setGridColor(const QColor &color)
{
    m_gridColor = color;
    propertyChanged(true);
}

void TPlot::setNrOfPoints(int value)
{
    if (!m_model.setNrOfPoints(value))
        return;
    m_points.resize(std::size_t(m_model.pointCount()));
    requestRepaint();
}

void TPlot::setYScaleOrigin(double value)
{
    if (m_model.setYScaleOrigin(value))
        requestRepaint();
}

void TPlot::setYScaleSpan(double value)
{
    if (m_model.setYScaleSpan(value))
        requestRepaint();
}

void TPlot::setXScaleOrigin(double value)
{
    if (m_model.setXScaleOrigin(value))
        requestRepaint();
}

void TPlot::setXScaleSpan(double value)
{
    if (m_model.setXScaleSpan(value))
        requestRepaint();
}

void TPlot::setEnableAutoScale(bool on)
{
    m_model.setEnableAutoScale(on);
    requestRepaint();
}

void TPlot::setUpdateInterval(int ms)
{
    m_updateInterval = ms;
    UpdateTimer->stop();
    // A period of 0 would fire on every pass of the event loop.
    if (ms > 0) {
        UpdateTimer->setInterval(ms);
        UpdateTimer->start();
    }
}

void TPlot::setUpdateActive(bool on)
{
    m_updateActive = on;
}

void TPlot::setXLabel(const QString &text)
{
    m_xLabel = text;
    propertyChanged(false);
}

void TPlot::setYLabel(const QString &text)
{
    m_yLabel = text;
    propertyChanged(false);
}

void TPlot::setXDigits(int digits)
{
    m_xDigits = digits;
    propertyChanged(false);
}

void TPlot::setYDigits(int digits)
{
    m_yDigits = digits;
    propertyChanged(false);
}

void TPlot::setXY_Mode(bool on)
{
    m_xyMode = on;
    propertyChanged(false);
}

void TPlot::setXLabelDouble(bool on)
{
    m_xLabelDouble = on;
    propertyChanged(false);
}

void TPlot::setSignalName(int entry, const QString &text)
{
    if (entry < 1 || entry > 4)
        return;
    m_signalNames[entry - 1] = text;
    propertyChanged(false);
}

void TPlot::setShowLegend(bool on)
{
    m_model.setShowLegend(on);
    propertyChanged(false);
}

void TPlot::setLogicMode(bool on)
{
    m_model.setLogicMode(on);
    propertyChanged(false);
}

void TPlot::setSeries(std::shared_ptr<const PlotSeriesSet> series)
{
    m_series = std::move(series);
    m_seriesShown.fill(true);
    for (int k = 0; k < kMaxSeries; ++k) {
        const bool named = m_series && std::size_t(k) < m_series->series.size();
        m_seriesNames[k] = named ? fromWindows1252(m_series->series[k].name) : QString();
        m_seriesUnits[k] = named ? fromWindows1252(m_series->series[k].unit) : QString();
    }
    propertyChanged(true);
}

void TPlot::setSeriesShown(int index, bool shown)
{
    if (index < 0 || index >= kMaxSeries || m_seriesShown[index] == shown)
        return;
    m_seriesShown[index] = shown;
    propertyChanged(true);
}

bool TPlot::seriesShown(int index) const
{
    return index >= 0 && index < kMaxSeries && m_seriesShown[index];
}

void TPlot::setXTickText(std::function<QString(double)> text)
{
    m_xTickText = std::move(text);
    propertyChanged(true);
}

void TPlot::setLegendWidth(int pixels)
{
    m_model.setLegendWidth(pixels);
    requestRepaint();
}

void TPlot::AddPoints(int trace, const QList<double> &xs, const QList<double> &ys)
{
    m_model.AddPoints(trace, std::span<const double>(xs.constData(), std::size_t(xs.size())),
        std::span<const double>(ys.constData(), std::size_t(ys.size())));
}

void TPlot::AddSample(double value)
{
    const QDateTime now = Clock ? Clock() : QDateTime::currentDateTime();
    const double days
        = QDate(1899, 12, 30).daysTo(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
    m_model.addPoint(1, days, value);
}

void TPlot::UpdateTimerTimer()
{
    if (!m_updateActive || !DataRequest)
        return;
    // The timer stands still while the handler runs, so a slow handler
    // cannot cause nested ticks. The handler may replace itself or destroy
    // the control; a copy runs and a guard tells.
    UpdateTimer->stop();
    const TDataRequest handler = DataRequest;
    QPointer<TPlot> alive(this);
    double newValue = 0.0;
    handler(this, newValue);
    if (!alive)
        return;
    AddSample(newValue);
    requestRepaint();
    if (m_updateInterval > 0)
        UpdateTimer->start();
}

void TPlot::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_model.setSize(contentsRect().width(), contentsRect().height());
    requestRepaint();
}

// A drag that is interrupted, because the window is hidden or a modal box
// opens in its middle, never sees its button go up: it ends here without
// zooming, and its rubber band goes with it.
void TPlot::cancelZoomDrag()
{
    if (!m_dragging)
        return;
    if (!m_firstMove)
        update(bandRegion(m_start, m_last));
    m_dragging = false;
    m_firstMove = true;
}

bool TPlot::event(QEvent *event)
{
    if (event->type() == QEvent::WindowBlocked)
        cancelZoomDrag();
    return QFrame::event(event);
}

void TPlot::hideEvent(QHideEvent *event)
{
    cancelZoomDrag();
    QFrame::hideEvent(event);
}

void TPlot::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_boldFont = font();
        m_boldFont.setBold(true);
        ++m_fontGeneration;
        propertyChanged(true);
    }
    QFrame::changeEvent(event);
}

QPoint TPlot::clientPos(const QMouseEvent *event) const
{
    return event->position().toPoint() - contentsRect().topLeft();
}

// Where a band from a to b stands, in widget coordinates.
QRegion TPlot::bandRegion(QPoint a, QPoint b) const
{
    return bandPixels(a, b).translated(contentsRect().topLeft());
}

void TPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // Without a plot area there is nothing to zoom in.
        if (m_model.canZoom()) {
            m_dragging = true;
            m_start = clientPos(event);
            m_last = m_start;
            m_firstMove = true;
        }
    } else if (event->button() == Qt::RightButton) {
        m_model.restoreFullView();
        requestRepaint();
    }
    QFrame::mousePressEvent(event);
}

void TPlot::mouseMoveEvent(QMouseEvent *event)
{
    // The button went up where this control could not see it.
    if (m_dragging && !(event->buttons() & Qt::LeftButton))
        cancelZoomDrag();
    if (m_dragging) {
        QRegion dirty;
        if (!m_firstMove)
            dirty = bandRegion(m_start, m_last);
        m_last = clientPos(event);
        m_firstMove = false;
        update(dirty + bandRegion(m_start, m_last));
    }
    QFrame::mouseMoveEvent(event);
}

void TPlot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        if (!m_firstMove)
            update(bandRegion(m_start, m_last));
        const QPoint end = clientPos(event);
        m_dragging = false;
        m_firstMove = true;
        if (m_model.zoom(m_start, end))
            requestRepaint();
    }
    QFrame::mouseReleaseEvent(event);
}

} // namespace orvane
