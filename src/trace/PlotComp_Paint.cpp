// How the plot control paints itself: background and frame, the grid (or the
// strips of LogicMode) with its texts, the traces and the legend, rendered
// into the cached image; the paint handler copies that image and draws the
// rubber band of a zoom drag over it.
#include "PlotComp.h"

#include "modules/NumberText.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

#include <bit>
#include <cmath>

namespace orvane {

namespace {
const QColor kTraceColors[kPlotTraces] = {
    QColor(0, 0, 255), // blue
    QColor(128, 0, 0), // maroon
    QColor(0, 128, 0), // green
    QColor(255, 0, 0), // red
    QColor(0, 0, 128), // navy
    QColor(0, 0, 0), // black
};

// Pixel positions are rounded to the nearest integer, halves to even.
int px(double v)
{
    return int(std::nearbyint(v));
}

// Decimals of a tick label: 1, 2 or 3 as given, none for any other value.
int labelDecimals(int digits)
{
    return digits >= 1 && digits <= 3 ? digits : 0;
}

QPen cosmeticPen(const QColor &color, Qt::PenStyle style)
{
    QPen pen(color, 1, style);
    pen.setCosmetic(true);
    return pen;
}
} // namespace

const QStaticText &TPlot::plainText(CachedText &cache, const QString &text, const QFont &font)
{
    if (cache.fontGeneration != m_fontGeneration || cache.source != text) {
        cache.source = text;
        cache.fontGeneration = m_fontGeneration;
        cache.text.setTextFormat(Qt::PlainText);
        cache.text.setText(text);
        cache.text.prepare(QTransform(), font);
    }
    return cache.text;
}

// prefix + the value with `decimals` decimals right-aligned in at least five
// characters + suffix ("%5.1f " and the like). A cache slot always gets the
// same prefix and suffix.
const QStaticText &TPlot::numberText(CachedText &cache, double value, int decimals,
    const QFont &font, const char *prefix, const char *suffix)
{
    if (cache.fontGeneration != m_fontGeneration || cache.decimals != decimals
        || std::bit_cast<quint64>(cache.value) != std::bit_cast<quint64>(value)) {
        QByteArray digits = formatFixed(value, decimals);
        if (digits.size() < 5)
            digits.prepend(QByteArray(5 - digits.size(), ' '));
        cache.value = value;
        cache.decimals = decimals;
        cache.fontGeneration = m_fontGeneration;
        cache.text.setTextFormat(Qt::PlainText);
        cache.text.setText(QString::fromLatin1(prefix + digits + suffix));
        cache.text.prepare(QTransform(), font);
    }
    return cache.text;
}

void TPlot::ensureFrame()
{
    const QSize size = contentsRect().size();
    const qreal dpr = devicePixelRatioF();
    if (size.isEmpty()) {
        m_frame = QImage();
        return;
    }
    const QSize pixels = (QSizeF(size) * dpr).toSize();
    bool stale = m_renderedProps != m_propsVersion || m_renderedModel != m_model.version();
    if (m_frame.size() != pixels || m_frame.devicePixelRatio() != dpr) {
        m_frame = QImage(pixels, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(dpr);
        stale = true;
    }
    if (!stale)
        return;
    QPainter p(&m_frame);
    renderFrame(p);
    m_renderedProps = m_propsVersion;
    m_renderedModel = m_model.version();
    ++m_renderCount;
}

void TPlot::render(QImage &image)
{
    ensureFrame();
    image = m_frame;
}

void TPlot::renderFrame(QPainter &p)
{
    const PlotGeometry g = m_model.geometry();
    // The rectangle (0, 0)-(W, H) fills the control and frames it.
    p.fillRect(0, 0, g.W, g.H, m_bgColor);
    p.setPen(cosmeticPen(m_gridColor, Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, g.W - 1, g.H - 1);
    if (m_model.LogicMode())
        DrawStripGrid(p, g);
    else
        DrawGrid(p, g);
    DrawTraces(p);
    if (m_model.ShowLegend())
        DrawLegend(p, g);
}

void TPlot::DrawGrid(QPainter &p, const PlotGeometry &g)
{
    const QPen solid = cosmeticPen(m_gridColor, Qt::SolidLine);
    const QPen dotted = cosmeticPen(m_gridColor, Qt::DotLine);
    const int top = g.T;
    const int bottom = g.bottom();
    if (m_xLabelDouble) {
        p.setPen(dotted);
        for (int i = 0; i <= 20; ++i) {
            const int x = px(i * g.PW / 20 + g.L);
            p.drawLine(x, top, x, bottom);
        }
    }
    p.setPen(solid);
    for (int i = 0; i <= 10; ++i) {
        const int x = px(i * g.PW / 10 + g.L);
        p.drawLine(x, top, x, bottom);
    }
    // Five solid major divisions on the Y axis, each halved by a dotted line.
    for (int i = 0; i <= 10; ++i) {
        p.setPen(i % 2 == 0 ? solid : dotted);
        const int y = px(i * g.PH / 10 + g.T);
        p.drawLine(g.L, y, g.right(), y);
    }
    drawAxisTexts(p, g);
}

void TPlot::DrawStripGrid(QPainter &p, const PlotGeometry &g)
{
    const QPen solid = cosmeticPen(m_gridColor, Qt::SolidLine);
    const QPen dotted = cosmeticPen(m_gridColor, Qt::DotLine);
    if (m_xLabelDouble) {
        p.setPen(dotted);
        for (int i = 0; i <= 9; ++i) {
            const int x = px(i * g.PW / 10 + 0.5 * g.PW / 10 + g.L);
            for (int k = 0; k < 4; ++k)
                p.drawLine(x, px(g.stripBottom(k)), x, px(g.stripBottom(k) - g.S));
        }
    }
    p.setPen(solid);
    for (int i = 0; i <= 10; ++i) {
        const int x = px(i * g.PW / 10 + g.L);
        for (int k = 0; k < 4; ++k)
            p.drawLine(x, px(g.stripBottom(k)), x, px(g.stripBottom(k) - g.S));
    }
    for (int k = 0; k < 4; ++k) {
        const double b = g.stripBottom(k);
        p.setPen(solid);
        p.drawLine(g.L, px(b), g.right(), px(b));
        p.drawLine(g.L, px(b - g.S), g.right(), px(b - g.S));
        p.setPen(dotted);
        for (int i = 1; i <= 4; ++i) {
            const int y = px(b - i * 0.2 * g.S);
            p.drawLine(g.L, y, g.right(), y);
        }
    }
    drawAxisTexts(p, g);
}

void TPlot::drawAxisTexts(QPainter &p, const PlotGeometry &g)
{
    const PlotScales &s = m_model.current();
    p.setFont(m_boldFont);
    p.setPen(m_titleColor);

    if (m_titleText.source != m_title || m_titleText.fontGeneration != m_fontGeneration)
        m_titleWidth = QFontMetrics(m_boldFont).horizontalAdvance(m_title);
    const QStaticText &title = plainText(m_titleText, m_title, m_boldFont);
    p.drawStaticText(g.W / 2 - m_titleWidth / 2, 3, title);

    const QStaticText &yLabel = plainText(m_yLabelText, m_yLabel, m_boldFont);
    const int xRow = px(g.T + g.PH + 4);
    p.drawStaticText(px(g.L + g.PW - (g.PW / 5) * 0.5 - 15), xRow,
        plainText(m_xLabelText, m_xLabel, m_boldFont));

    const int yDecimals = labelDecimals(m_yDigits);
    if (m_model.LogicMode()) {
        for (int n = 0; n < 4; ++n)
            p.drawStaticText(5, px((g.PH / 5) * 0.5 + g.T + n * (g.S + g.Gap) - 5), yLabel);
        const QStaticText &low
            = numberText(m_stripTexts[0], s.YScaleOrigin, yDecimals, m_boldFont, "", " ");
        const QStaticText &high = numberText(
            m_stripTexts[1], s.YScaleOrigin + s.YScaleSpan, yDecimals, m_boldFont, "", " ");
        for (int k = 0; k < 4; ++k) {
            p.drawStaticText(5, px(g.stripBottom(k) - 10), low);
            p.drawStaticText(5, px(g.stripBottom(k) - g.S - 3), high);
        }
    } else {
        p.drawStaticText(5, px((g.PH / 5) * 0.5 + g.T - 5), yLabel);
        for (int i = 0; i <= 5; ++i) {
            const double value = (5 - i) * s.YScaleSpan / 5 + s.YScaleOrigin;
            p.drawStaticText(5, px(i * g.PH / 5 + g.T - 8),
                numberText(m_yTickTexts[i], value, yDecimals, m_boldFont, "", " "));
        }
    }

    const int xDecimals = labelDecimals(m_xDigits);
    const int a = m_xDigits == 2 || m_xDigits == 3 ? 16 : 20;
    for (int i = 0; i <= 5; ++i) {
        const double value = (5 - i) * s.XScaleSpan / 5 + s.XScaleOrigin;
        p.drawStaticText(px(g.L + g.PW - i * g.PW / 5 - a), xRow,
            numberText(m_xTickTexts[i], value, xDecimals, m_boldFont, "", " "));
    }
    if (m_xLabelDouble) {
        // No middle label in the rightmost fifth, where XLabel stands.
        const int b = m_xDigits == 1 ? 18 : m_xDigits == 2 || m_xDigits == 3 ? 14 : 20;
        for (int i = 2; i <= 5; ++i) {
            const double value = (5.5 - i) * s.XScaleSpan / 5 + s.XScaleOrigin;
            p.drawStaticText(px(g.L + g.PW - (i - 0.5) * g.PW / 5 - b), xRow,
                numberText(m_xMiddleTexts[i - 2], value, xDecimals, m_boldFont, "", " "));
        }
    }
}

void TPlot::DrawTraces(QPainter &p)
{
    QPoint *points = m_points.data();
    const int n = m_model.pointCount();
    const int curves = m_xyMode ? kPlotTraces / 2 : kPlotTraces;
    for (int t = 1; t <= curves; ++t) {
        p.setPen(cosmeticPen(kTraceColors[t - 1], Qt::SolidLine));
        m_model.tracePixels(t, m_xyMode, points);
        p.drawPolyline(points, n);
    }
}

void TPlot::DrawLegend(QPainter &p, const PlotGeometry &g)
{
    const int x = px(g.PW + g.L + 10);
    for (int k = 1; k <= 4; ++k) {
        const int n = k - 1;
        const double y = n * g.S + g.T + n * g.Gap;
        double minimum = 0.0;
        double maximum = 0.0;
        m_model.traceRange(k, &minimum, &maximum);
        p.setPen(kTraceColors[k - 1]);
        p.setFont(m_boldFont);
        p.drawStaticText(x, px(y), plainText(m_legendNames[n], m_signalNames[n], m_boldFont));
        p.setFont(font());
        p.drawStaticText(
            x, px(y + 15), numberText(m_legendMax[n], maximum, 3, font(), "Max: ", " V"));
        p.drawStaticText(
            x, px(y + 30), numberText(m_legendMin[n], minimum, 3, font(), "Min: ", " V"));
    }
}

void TPlot::drawBand(QPainter &p) const
{
    // Inverted pixels (not-xor with black) stand out on any background.
    const QPoint offset = contentsRect().topLeft();
    const QPoint a = m_start + offset;
    const QPoint b = m_last + offset;
    const QPoint corners[4] = { a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y()) };
    p.save();
    p.setClipRect(contentsRect());
    if (p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(corners, 4);
    p.restore();
}

void TPlot::paintEvent(QPaintEvent *event)
{
    ensureFrame();
    QPainter p(this);
    const QRect client = contentsRect();
    if (!m_frame.isNull()) {
        const qreal dpr = m_frame.devicePixelRatio();
        for (const QRect &r : event->region()) {
            const QRect target = r & client;
            if (target.isEmpty())
                continue;
            const QRectF source(
                QPointF(target.topLeft() - client.topLeft()) * dpr, QSizeF(target.size()) * dpr);
            p.drawImage(QRectF(target), m_frame, source);
        }
    }
    drawFrame(&p);
    if (m_dragging && !m_firstMove)
        drawBand(p);
}

} // namespace orvane
