#include "Paneles.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvane {

// ---------------------------------------------------------------- link

TLinkChange::~TLinkChange()
{
    if (holder)
        holder->RemoveLink(this);
}

void TLinkChange::Change()
{
    if (OnChange)
        OnChange(holder);
}

// ---------------------------------------------------------------- holder

TBitmapHolder::TBitmapHolder(QObject *parent)
    : QObject(parent)
{
}

TBitmapHolder::~TBitmapHolder()
{
    // Last first, so every link ends up detached and none is left dangling.
    while (!m_links.isEmpty())
        RemoveLink(m_links.last());
}

void TBitmapHolder::setBitmap(const QPixmap &bitmap)
{
    m_bitmap = bitmap;
    NotifyLinks();
}

void TBitmapHolder::AddLink(TLinkChange *link)
{
    // A link is listed once, by one holder: a destroyed link removes itself
    // once, from its own holder, and must leave no entry behind.
    if (!link || link->holder == this)
        return;
    if (link->holder)
        link->holder->RemoveLink(link);
    link->holder = this;
    m_links.append(link);
}

void TBitmapHolder::RemoveLink(TLinkChange *link)
{
    const qsizetype at = m_links.indexOf(link);
    if (at < 0)
        return;
    link->holder = nullptr;
    m_links.removeAt(at);
}

void TBitmapHolder::NotifyLinks()
{
    // A callback may detach its own link: walk a copy.
    const QList<TLinkChange *> links = m_links;
    for (TLinkChange *link : links)
        link->Change();
}

// ---------------------------------------------------------------- panel

TPaneles::TPaneles(QWidget *parent)
    : QFrame(parent)
{
    m_link.OnChange = [this](QObject *) { LinkChanged(); };
    m_color = palette().color(QPalette::Button);
    // The whole area is painted here; children (labels) draw over it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPaneles::~TPaneles()
{
    if (m_holder)
        m_holder->RemoveLink(&m_link);
}

void TPaneles::setBitmap(const QPixmap &bitmap)
{
    m_bitmap = bitmap;
    if (m_holder) {
        if (m_bitmap.isNull())
            m_holder->AddLink(&m_link);
        else
            m_holder->RemoveLink(&m_link);
    }
    update();
}

void TPaneles::setBitmapHolder(TBitmapHolder *holder)
{
    if (m_holder)
        m_holder->RemoveLink(&m_link);
    m_holder = holder;
    if (holder)
        holder->AddLink(&m_link);
    update();
}

void TPaneles::setBevelOuter(BevelCut cut)
{
    m_bevelOuter = cut;
    update();
}

void TPaneles::setBevelInner(BevelCut cut)
{
    m_bevelInner = cut;
    update();
}

void TPaneles::setBevelWidth(int width)
{
    m_bevelWidth = std::max(0, width);
    update();
}

void TPaneles::setBorderWidth(int width)
{
    m_borderWidth = std::max(0, width);
    update();
}

void TPaneles::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TPaneles::setCaptionAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void TPaneles::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TPaneles::LinkChanged()
{
    update();
}

void TPaneles::tile(QPainter &painter, const QPixmap &bitmap, const QRect &rect)
{
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (w <= 0 || h <= 0 || rect.isEmpty())
        return;
    // Right and bottom are exclusive here, as in the pixel arithmetic below.
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    painter.save();
    painter.setClipRect(rect);
    for (int r = 0; r <= bottom / h + 1; ++r) {
        const int y = r * h + top;
        const int copyH = y + h <= bottom ? h : bottom - y;
        if (copyH <= 0)
            break;
        for (int c = 0; c <= right / w + 1; ++c) {
            const int x = c * w + left;
            const int copyW = x + w <= right ? w : right - x;
            if (copyW <= 0)
                break;
            painter.drawPixmap(x, y, bitmap, 0, 0, copyW, copyH);
        }
    }
    painter.restore();
}

QRect TPaneles::drawFrame(QPainter &painter, QRect rect, BevelCut cut, int width) const
{
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const QColor topLeft = cut == BevelCut::Raised ? light : dark;
    const QColor bottomRight = cut == BevelCut::Raised ? dark : light;
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        painter.fillRect(rect.left(), rect.top(), rect.width(), 1, topLeft);
        painter.fillRect(rect.left(), rect.top(), 1, rect.height(), topLeft);
        painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
        painter.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
    return rect;
}

void TPaneles::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    if (m_bitmap.isNull())
        painter.fillRect(r, m_color);
    else
        tile(painter, m_bitmap, r);

    QRect inner = r;
    if (m_bevelOuter != BevelCut::None)
        inner = drawFrame(painter, inner, m_bevelOuter, m_bevelWidth);
    for (int i = 0; i < m_borderWidth && inner.width() > 0 && inner.height() > 0; ++i) {
        painter.setPen(m_color);
        painter.drawRect(inner.adjusted(0, 0, -1, -1));
        inner.adjust(1, 1, -1, -1);
    }
    if (m_bevelInner != BevelCut::None)
        drawFrame(painter, inner, m_bevelInner, m_bevelWidth);

    if (!m_caption.isEmpty()) {
        const int h = painter.fontMetrics().boundingRect(QLatin1Char('W')).height();
        const int top = (r.top() + r.top() + r.height() - h) / 2;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(r.left(), top, r.width(), h),
            int(m_alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextExpandTabs,
            m_caption);
    }
}

// ---------------------------------------------------------------- skins

namespace {
constexpr int kSkinWidth = 864;
constexpr int kSkinHeight = 72;

// A small deterministic generator, so the skin is the same on every run.
struct Lcg
{
    quint32 state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 24);
    }
};

// A brushed texture: every row has its own brightness that drifts slowly,
// streaks run sideways, and the result is snapped to `levels` grey steps.
QImage brushed(quint32 seed, int lowest, int highest, int levels, QRgb tint)
{
    QImage image(kSkinWidth, kSkinHeight, QImage::Format_RGB32);
    Lcg random { seed };
    std::vector<double> rowBase(kSkinHeight);
    double drift = 0.5;
    for (double &base : rowBase) {
        drift = std::clamp(drift + (random.next() - 0.5) * 0.18, 0.2, 0.8);
        base = drift;
    }
    const double step = double(highest - lowest) / (levels - 1);
    for (int y = 0; y < kSkinHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        double streak = 0;
        for (int x = 0; x < kSkinWidth; ++x) {
            streak = streak * 0.92 + (random.next() - 0.5) * 0.16;
            // Columns wrap smoothly at the tile seam: fade the streak there.
            const double seam = std::min({ 1.0, x / 24.0, (kSkinWidth - 1 - x) / 24.0 });
            const double v = std::clamp(rowBase[y] + streak * seam, 0.0, 1.0);
            const int level = int(std::lround(v * (levels - 1)));
            const int grey = int(std::lround(lowest + level * step));
            line[x] = qRgb(
                grey * qRed(tint) / 255, grey * qGreen(tint) / 255, grey * qBlue(tint) / 255);
        }
    }
    return image;
}
} // namespace

QPixmap mainSkin()
{
    static const QImage image = brushed(0x5EED1u, 156, 214, 9, qRgb(255, 255, 255));
    return QPixmap::fromImage(image);
}

QPixmap aboutSkin()
{
    static const QImage image = brushed(0xAB0u, 150, 222, 12, qRgb(226, 234, 255));
    return QPixmap::fromImage(image);
}

} // namespace orvane
