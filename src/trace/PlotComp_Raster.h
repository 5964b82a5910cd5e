#pragma once

#include <QImage>
#include <QPoint>

class QPainter;

namespace orvane {

// Where the plot draws its frame, grid and traces: one-pixel lines between
// pixel positions, both end points included; a dotted line sets every other
// pixel, beginning with its first.
class PlotCanvas
{
public:
    virtual ~PlotCanvas() = default;
    virtual void hline(int x0, int x1, int y, QRgb color, bool dotted = false) = 0;
    virtual void vline(int x, int y0, int y1, QRgb color, bool dotted = false) = 0;
    virtual void line(QPoint a, QPoint b, QRgb color) = 0;
    virtual void polyline(const QPoint *points, int count, QRgb color) = 0;
    // The outline of the rectangle with corners (x0, y0) and (x1, y1).
    void rectangle(int x0, int y0, int x1, int y1, QRgb color);
};

// Lines written straight into a 32-bit image (RGB32 or ARGB32), clipped to
// it. The plot draws its frame, grid and traces with it: thousands of short
// segments per paint, which a general path rasterizer makes several times
// more expensive.
class PixelCanvas final : public PlotCanvas
{
public:
    explicit PixelCanvas(QImage &image);

    void hline(int x0, int x1, int y, QRgb color, bool dotted = false) override;
    void vline(int x, int y0, int y1, QRgb color, bool dotted = false) override;
    // Bresenham's line from a to b.
    void line(QPoint a, QPoint b, QRgb color) override;
    void polyline(const QPoint *points, int count, QRgb color) override;

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

// The same lines as vectors through a painter (a picture file): pixel (x, y)
// is the unit square at (x, y), so lines run through the pixel centres.
class PainterCanvas final : public PlotCanvas
{
public:
    explicit PainterCanvas(QPainter &painter)
        : m_painter(painter)
    {
    }

    void hline(int x0, int x1, int y, QRgb color, bool dotted = false) override;
    void vline(int x, int y0, int y1, QRgb color, bool dotted = false) override;
    void line(QPoint a, QPoint b, QRgb color) override;
    void polyline(const QPoint *points, int count, QRgb color) override;

private:
    void setPen(QRgb color, bool dotted);
    QPainter &m_painter;
};

} // namespace orvane
