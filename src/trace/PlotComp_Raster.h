#pragma once

#include <QImage>
#include <QPoint>

namespace orvane {

// One-pixel lines written straight into a 32-bit image (RGB32 or ARGB32),
// clipped to it. The plot draws its frame, grid and traces with it: thousands
// of short segments per paint, which a general path rasterizer makes several
// times more expensive. Lines include both end points; a dotted line sets
// every other pixel, beginning with its first.
class PixelCanvas
{
public:
    explicit PixelCanvas(QImage &image);

    void hline(int x0, int x1, int y, QRgb color, bool dotted = false);
    void vline(int x, int y0, int y1, QRgb color, bool dotted = false);
    // The outline of the rectangle with corners (x0, y0) and (x1, y1).
    void rectangle(int x0, int y0, int x1, int y1, QRgb color);
    // Bresenham's line from a to b.
    void line(QPoint a, QPoint b, QRgb color);
    void polyline(const QPoint *points, int count, QRgb color);

private:
    bool inside(QPoint p) const
    {
        return uint(p.x()) < uint(m_width) && uint(p.y()) < uint(m_height);
    }

    quint32 *m_bits = nullptr;
    qsizetype m_stride = 0; // in pixels
    int m_width = 0;
    int m_height = 0;
};

} // namespace orvane
