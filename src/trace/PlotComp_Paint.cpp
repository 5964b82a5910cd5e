// How the plot control paints itself: background and frame, the grid (or the
// strips of LogicMode) with its texts, the traces and the legend, rendered
// into the cached image; the paint handler copies that image and draws the
// rubber band of a zoom drag over it.
#include "PlotComp.h"

#include "PlotComp_Raster.h"
#include "modules/NumberText.h"

#include <QPaintEvent>
#include <QPainter>

#include <bit>
#include <cmath>

namespace orvane {

namespace {
const QColor kTraceColors[TPlot::kMaxSeries] = {
    QColor(0, 0, 255), // blue
    QColor(128, 0, 0), // maroon
    QColor(0, 128, 0), // green
    QColor(255, 0, 0), // red
    QColor(0, 0, 128), // navy
    QColor(0, 0, 0), // black
    QColor(230, 120, 0), // orange
    QColor(150, 0, 150), // purple
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

} // namespace

QColor TPlot::traceColor(int trace)
{
    return trace >= 1 && trace <= kMaxSeries ? kTraceColors[trace - 1] : QColor(Qt::black);
}

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
    // The plot is rendered in logical pixels, the canvas its layout is
    // defined on; a high-density screen shows the image enlarged. The size
    // is read here because a hidden control gets its resize event only when
    // it is shown.
    const QSize size = contentsRect().size();
    m_model.setSize(size.width(), size.height());
    if (size.isEmpty()) {
        m_frame = QImage();
        return;
    }
    bool stale = m_renderedProps != m_propsVersion || m_renderedModel != m_model.version();
    if (m_frame.size() != size) {
        m_frame = QImage(size, QImage::Format_RGB32);
        stale = true;
    }
    if (!stale)
        return;
    renderFrame();
    m_renderedProps = m_propsVersion;
    m_renderedModel = m_model.version();
    ++m_renderCount;
}

const QImage &TPlot::render()
{
    ensureFrame();
    return m_frame;
}

// Background and frame, grid, texts, legend and traces. Lines go straight into
// the image; texts through QPainter.
void TPlot::renderFrame()
{
    const PlotGeometry g = m_model.geometry();
    m_frame.fill(m_bgColor.rgb());
    PixelCanvas canvas(m_frame);
    drawLines(canvas, g);
    {
        // The legend lies right of the plot area, where no trace reaches, so
        // its texts can go with the others before the traces.
        QPainter p(&m_frame);
        drawTexts(p, g);
    }
    if (m_series)
        drawSeries(canvas, g);
    else
        DrawTraces(canvas);
}

void TPlot::renderVector(QPainter &painter)
{
    const QSize size = contentsRect().size();
    m_model.setSize(size.width(), size.height());
    const PlotGeometry g = m_model.geometry();
    painter.save();
    painter.fillRect(QRect(0, 0, g.W, g.H), m_bgColor);
    PainterCanvas canvas(painter);
    drawLines(canvas, g);
    drawTexts(painter, g);
    if (m_series)
        drawSeries(canvas, g);
    else
        DrawTraces(canvas);
    painter.restore();
}

void TPlot::drawLines(PlotCanvas &canvas, const PlotGeometry &g)
{
    canvas.rectangle(0, 0, g.W - 1, g.H - 1, m_gridColor.rgb());
    if (m_model.LogicMode())
        DrawStripGrid(canvas, g);
    else
        DrawGrid(canvas, g);
}

void TPlot::drawTexts(QPainter &p, const PlotGeometry &g)
{
    drawAxisTexts(p, g);
    if (m_model.ShowLegend()) {
        if (m_series)
            drawSeriesLegend(p, g);
        else
            DrawLegend(p, g);
    }
}

void TPlot::DrawGrid(PlotCanvas &canvas, const PlotGeometry &g)
{
    const QRgb color = m_gridColor.rgb();
    const int top = g.T;
    const int bottom = g.bottom();
    if (m_xLabelDouble) {
        for (int i = 0; i <= 20; ++i)
            canvas.vline(px(i * g.PW / 20 + g.L), top, bottom, color, true);
    }
    for (int i = 0; i <= 10; ++i)
        canvas.vline(px(i * g.PW / 10 + g.L), top, bottom, color);
    // Five solid major divisions on the Y axis, each halved by a dotted line.
    for (int i = 0; i <= 10; ++i)
        canvas.hline(g.L, g.right(), px(i * g.PH / 10 + g.T), color, i % 2 != 0);
}

void TPlot::DrawStripGrid(PlotCanvas &canvas, const PlotGeometry &g)
{
    const QRgb color = m_gridColor.rgb();
    for (int k = 0; k < 4; ++k) {
        const double b = g.stripBottom(k);
        const int bottom = px(b);
        const int top = px(b - g.S);
        if (m_xLabelDouble) {
            for (int i = 0; i <= 9; ++i)
                canvas.vline(px(i * g.PW / 10 + 0.5 * g.PW / 10 + g.L), bottom, top, color, true);
        }
        for (int i = 0; i <= 10; ++i)
            canvas.vline(px(i * g.PW / 10 + g.L), bottom, top, color);
        canvas.hline(g.L, g.right(), bottom, color);
        canvas.hline(g.L, g.right(), top, color);
        for (int i = 1; i <= 4; ++i)
            canvas.hline(g.L, g.right(), px(b - i * 0.2 * g.S), color, true);
    }
}

void TPlot::drawAxisTexts(QPainter &p, const PlotGeometry &g)
{
    const PlotScales &s = m_model.current();
    p.setFont(m_boldFont);
    p.setPen(m_titlePen);

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

    drawXTicks(p, g);
}

void TPlot::drawXTicks(QPainter &p, const PlotGeometry &g)
{
    const PlotScales &s = m_model.current();
    const int xRow = px(g.T + g.PH + 4);
    if (m_xTickText) {
        // Texts of their own width (times of day), centred on their lines.
        for (int i = 0; i <= 5; ++i) {
            const double value = (5 - i) * s.XScaleSpan / 5 + s.XScaleOrigin;
            const QStaticText &text = plainText(m_xTickLabels[i], m_xTickText(value), m_boldFont);
            p.drawStaticText(px(g.L + g.PW - i * g.PW / 5 - text.size().width() / 2), xRow, text);
        }
        return;
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

void TPlot::DrawTraces(PlotCanvas &canvas)
{
    // Sized with the store; grows here too when the store was resized
    // through model().
    const int n = m_model.pointCount();
    if (m_points.size() < std::size_t(n))
        m_points.resize(std::size_t(n));
    QPoint *points = m_points.data();
    const int curves = m_xyMode ? kPlotTraces / 2 : kPlotTraces;
    for (int t = 1; t <= curves; ++t) {
        m_model.tracePixels(t, m_xyMode, points);
        canvas.polyline(points, n, kTraceColors[t - 1].rgb());
    }
}

// Entries 1 to 4: the name in bold, then maximum and minimum of the trace's
// stored values. The painter still has the bold font of the axis texts; the
// names go first so that the font changes once.
void TPlot::DrawLegend(QPainter &p, const PlotGeometry &g)
{
    static const QPen legendPens[4] = { QPen(kTraceColors[0]), QPen(kTraceColors[1]),
        QPen(kTraceColors[2]), QPen(kTraceColors[3]) };
    const int x = px(g.PW + g.L + 10);
    auto entryTop = [&g](int n) { return n * g.S + g.T + n * g.Gap; };
    for (int n = 0; n < 4; ++n) {
        p.setPen(legendPens[n]);
        p.drawStaticText(
            x, px(entryTop(n)), plainText(m_legendNames[n], m_signalNames[n], m_boldFont));
    }
    const QFont regular = font();
    p.setFont(regular);
    for (int n = 0; n < 4; ++n) {
        double minimum = 0.0;
        double maximum = 0.0;
        m_model.traceRange(n + 1, &minimum, &maximum);
        p.setPen(legendPens[n]);
        p.drawStaticText(x, px(entryTop(n) + 15),
            numberText(m_legendMax[n], maximum, 3, regular, "Max: ", " V"));
        p.drawStaticText(x, px(entryTop(n) + 30),
            numberText(m_legendMin[n], minimum, 3, regular, "Min: ", " V"));
    }
}

// The pixels of the rubber band from a to b (client coordinates): the outline
// of the rectangle they span, two pixels thick, each pixel once.
QRegion TPlot::bandPixels(QPoint a, QPoint b)
{
    const QRect outer = QRect(a, b).normalized();
    return QRegion(outer).subtracted(QRegion(outer.adjusted(2, 2, -2, -2)));
}

void TPlot::paintEvent(QPaintEvent *event)
{
    ensureFrame();
    QPainter p(this);
    const QRect client = contentsRect();
    if (!m_frame.isNull()) {
        for (const QRect &r : event->region()) {
            const QRect target = r & client;
            if (target.isEmpty())
                continue;
            // A rectangular clip lets the copy be a plain memory copy; the
            // paint's own region (a rubber band's strips) would make it a
            // general blend of many spans.
            p.setClipRect(target);
            p.drawImage(target, m_frame, target.translated(-client.topLeft()));
        }
        if (m_dragging && !m_firstMove)
            drawBand(p);
        p.setClipping(false);
    }
    // The border only when the paint reaches it: a rubber-band move repaints
    // a few thin strips inside.
    if (!event->region().subtracted(QRegion(client)).isEmpty())
        drawFrame(&p);
}

// The band shows the cached image's pixels inverted, so it stands out on any
// colour and disappears by copying the image back. The inverted pixels are
// put together in a scratch image and copied like the image itself.
void TPlot::drawBand(QPainter &p)
{
    if (m_bandImage.size() != m_frame.size())
        m_bandImage = QImage(m_frame.size(), QImage::Format_RGB32);
    const QPoint offset = contentsRect().topLeft();
    const QRegion band = bandPixels(m_start, m_last);
    for (const QRect &r : band) {
        const QRect area = r & m_frame.rect();
        if (area.isEmpty())
            continue;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QRgb *from = reinterpret_cast<const QRgb *>(m_frame.constScanLine(y));
            QRgb *to = reinterpret_cast<QRgb *>(m_bandImage.scanLine(y));
            for (int x = area.left(); x <= area.right(); ++x)
                to[x] = from[x] ^ 0x00FFFFFFu;
        }
        p.setClipRect(area.translated(offset));
        p.drawImage(area.topLeft() + offset, m_bandImage, area);
    }
}

} // namespace orvane
