#include "PlotComp_Raster.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace orvane {

PixelCanvas::PixelCanvas(QImage &image)
{
    if (image.depth() != 32 || image.isNull())
        return; // draws nothing
    m_bits = reinterpret_cast<quint32 *>(image.bits());
    m_stride = image.bytesPerLine() / 4;
    m_width = image.width();
    m_height = image.height();
}

void PixelCanvas::hline(int x0, int x1, int y, QRgb color, bool dotted)
{
    if (uint(y) >= uint(m_height))
        return;
    if (x1 < x0)
        std::swap(x0, x1);
    const int start = x0;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_width - 1);
    if (x1 < x0)
        return;
    quint32 *row = m_bits + y * m_stride;
    if (!dotted) {
        std::fill(row + x0, row + x1 + 1, color);
        return;
    }
    for (int x = x0 + ((x0 - start) & 1); x <= x1; x += 2)
        row[x] = color;
}

void PixelCanvas::vline(int x, int y0, int y1, QRgb color, bool dotted)
{
    if (uint(x) >= uint(m_width))
        return;
    if (y1 < y0)
        std::swap(y0, y1);
    const int start = y0;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, m_height - 1);
    const int step = dotted ? 2 : 1;
    if (dotted)
        y0 += (y0 - start) & 1;
    for (int y = y0; y <= y1; y += step)
        m_bits[y * m_stride + x] = color;
}

void PlotCanvas::rectangle(int x0, int y0, int x1, int y1, QRgb color)
{
    hline(x0, x1, y0, color);
    hline(x0, x1, y1, color);
    vline(x0, y0, y1, color);
    vline(x1, y0, y1, color);
}

void PixelCanvas::line(QPoint a, QPoint b, QRgb color)
{
    if (!m_bits)
        return;
    int x = a.x();
    int y = a.y();
    const int dx = std::abs(b.x() - x);
    const int dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1;
    const int sy = y < b.y() ? 1 : -1;
    int err = dx + dy;
    if (inside(a) && inside(b)) {
        // Every pixel lies between the two ends, so inside the image.
        quint32 *p = m_bits + y * m_stride + x;
        quint32 *const end = m_bits + b.y() * m_stride + b.x();
        const qsizetype rowStep = sy * m_stride;
        for (;;) {
            *p = color;
            if (p == end)
                break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                p += sx;
            }
            if (e2 <= dx) {
                err += dx;
                p += rowStep;
            }
        }
        return;
    }
    for (;;) {
        if (inside(QPoint(x, y)))
            m_bits[y * m_stride + x] = color;
        if (x == b.x() && y == b.y())
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void PixelCanvas::polyline(const QPoint *points, int count, QRgb color)
{
    if (count == 1)
        line(points[0], points[0], color);
    for (int i = 1; i < count; ++i)
        line(points[i - 1], points[i], color);
}

void PainterCanvas::setPen(QRgb color, bool dotted)
{
    QPen pen(QColor::fromRgb(color), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (dotted)
        pen.setDashPattern({ 1.0, 1.0 });
    m_painter.setPen(pen);
}

void PainterCanvas::hline(int x0, int x1, int y, QRgb color, bool dotted)
{
    if (x1 < x0)
        std::swap(x0, x1);
    setPen(color, dotted);
    m_painter.drawLine(QPointF(x0, y + 0.5), QPointF(x1 + 1, y + 0.5));
}

void PainterCanvas::vline(int x, int y0, int y1, QRgb color, bool dotted)
{
    if (y1 < y0)
        std::swap(y0, y1);
    setPen(color, dotted);
    m_painter.drawLine(QPointF(x + 0.5, y0), QPointF(x + 0.5, y1 + 1));
}

void PainterCanvas::line(QPoint a, QPoint b, QRgb color)
{
    polyline(std::array { a, b }.data(), 2, color);
}

void PainterCanvas::polyline(const QPoint *points, int count, QRgb color)
{
    if (count < 1)
        return;
    m_painter.setPen(
        QPen(QColor::fromRgb(color), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    if (count == 1) {
        m_painter.drawPoint(QPointF(points[0]) + QPointF(0.5, 0.5));
        return;
    }
    QPolygonF polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i)
        polygon.append(QPointF(points[i]) + QPointF(0.5, 0.5));
    m_painter.drawPolyline(polygon);
}

} // namespace orvane
