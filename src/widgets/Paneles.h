#pragma once

#include <QFrame>
#include <QPixmap>
#include <QPointer>

#include <functional>

namespace orvane {

class TBitmapHolder;

// The link between one panel and a bitmap holder: the holder calls Change()
// when its bitmap changes, which calls OnChange with the holder as sender.
class TLinkChange
{
public:
    TLinkChange() = default;
    TLinkChange(const TLinkChange &) = delete;
    TLinkChange &operator=(const TLinkChange &) = delete;
    // Detaches itself from its holder first.
    ~TLinkChange();

    void Change();

    TBitmapHolder *holder = nullptr;
    std::function<void(QObject *sender)> OnChange;
};

// Keeps one bitmap for several panels and tells their links when it changes.
// Links are not owned; destroying the holder detaches every link.
class TBitmapHolder : public QObject
{
    Q_OBJECT
public:
    explicit TBitmapHolder(QObject *parent = nullptr);
    ~TBitmapHolder() override;

    const QPixmap &Bitmap() const { return m_bitmap; }
    // Copies the image, then notifies the links.
    void setBitmap(const QPixmap &bitmap);

    // A link already listed here stays listed once; a link of another holder
    // moves here.
    void AddLink(TLinkChange *link);
    // A link that is not in the list is left alone.
    void RemoveLink(TLinkChange *link);
    void NotifyLinks();
    int linkCount() const { return int(m_links.size()); }

private:
    QPixmap m_bitmap;
    QList<TLinkChange *> m_links;
};

// A panel whose background is its own bitmap repeated in tiles from the
// top-left corner and cut at the right and bottom edges; without a bitmap it
// is filled with its colour. Bevels (outer, border, inner) and a caption are
// drawn over the background like a standard panel's.
class TPaneles : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QPixmap Bitmap READ Bitmap WRITE setBitmap)
    Q_PROPERTY(BevelCut BevelOuter READ BevelOuter WRITE setBevelOuter)
    Q_PROPERTY(BevelCut BevelInner READ BevelInner WRITE setBevelInner)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
public:
    enum class BevelCut { None, Lowered, Raised };
    Q_ENUM(BevelCut)

    explicit TPaneles(QWidget *parent = nullptr);
    ~TPaneles() override;

    // The panel's own copy of the image. A null pixmap makes the panel plain;
    // with a holder attached, setting an image detaches the panel from the
    // holder and setting none attaches it again.
    const QPixmap &Bitmap() const { return m_bitmap; }
    void setBitmap(const QPixmap &bitmap);

    TBitmapHolder *BitmapHolder() const { return m_holder; }
    void setBitmapHolder(TBitmapHolder *holder);

    BevelCut BevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(BevelCut cut);
    BevelCut BevelInner() const { return m_bevelInner; }
    void setBevelInner(BevelCut cut);
    int BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    int BorderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    Qt::Alignment captionAlignment() const { return m_alignment; }
    void setCaptionAlignment(Qt::Alignment alignment);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // Repaints; the holder's bitmap changed.
    void LinkChanged();

    // Copies `bitmap` in tiles over `rect` of the painter's device: anchored
    // at the rectangle's top-left corner, the last row and column cut at its
    // right and bottom edges, no scaling.
    static void tile(QPainter &painter, const QPixmap &bitmap, const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect drawFrame(QPainter &painter, QRect rect, BevelCut cut, int width) const;

    QPixmap m_bitmap;
    QPointer<TBitmapHolder> m_holder;
    TLinkChange m_link;
    BevelCut m_bevelOuter = BevelCut::Raised;
    BevelCut m_bevelInner = BevelCut::None;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    QColor m_color;
};

// The program's own skin textures, 864 x 72 pixels: the grey one of the main
// and trace windows (nine grey levels from 156 to 214) and the about box's.
QPixmap mainSkin();
QPixmap aboutSkin();

} // namespace orvane
