// The building blocks of the windows, by their pixels: tiled panels and their
// bitmap holder, the LED, the menu painter; the version reader and the About
// box's placement.
#include "ui/AboutUnit.h"
#include "widgets/MXPMenu.h"
#include "widgets/Paneles.h"
#include "widgets/VersionInfo.h"
#include "widgets/imLed.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QTest>

using namespace orvane;

namespace {
// A bitmap whose every pixel tells its own position.
QPixmap positionBitmap(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 200));
    return QPixmap::fromImage(image);
}

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};
} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Tiles anchored at the top-left corner, cut at the right and bottom.
    void panelTilesItsBitmap_data()
    {
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QPoint>("bitmapPixel");
        QTest::newRow("first tile") << QSize(200, 90) << QPoint(5, 6) << QPoint(5, 6);
        QTest::newRow("second column") << QSize(200, 90) << QPoint(85, 6) << QPoint(5, 6);
        QTest::newRow("second row, cut") << QSize(200, 90) << QPoint(199, 89) << QPoint(39, 39);
        QTest::newRow("smaller than bitmap") << QSize(30, 20) << QPoint(29, 19) << QPoint(29, 19);
    }
    void panelTilesItsBitmap()
    {
        QFETCH(QSize, panel);
        QFETCH(QPoint, at);
        QFETCH(QPoint, bitmapPixel);
        const QPixmap bitmap = positionBitmap(80, 50);
        TPaneles p;
        p.setBevelOuter(TPaneles::BevelCut::None);
        p.resize(panel);
        p.setBitmap(bitmap);
        const QImage shot = p.grab().toImage();
        QCOMPARE(shot.pixel(at), bitmap.toImage().pixel(bitmapPixel));
    }

    void panelWithoutBitmapIsPlainAndBevelsFrameIt()
    {
        TPaneles p;
        p.resize(40, 30);
        p.setColor(QColor(10, 20, 30));
        p.setBitmap(positionBitmap(8, 8));
        p.setBitmap(QPixmap()); // plain again
        const QImage plain = p.grab().toImage();
        const QRgb light = p.palette().color(QPalette::Light).rgb();
        const QRgb dark = p.palette().color(QPalette::Dark).rgb();
        QCOMPARE(plain.pixel(20, 15), qRgb(10, 20, 30));
        // The default raised bevel: light on top and left, dark bottom and right.
        QCOMPARE(plain.pixel(0, 15), light);
        QCOMPARE(plain.pixel(39, 15), dark);
        p.setBevelOuter(TPaneles::BevelCut::Lowered);
        QCOMPARE(p.grab().toImage().pixel(0, 15), dark);
    }

    void holderLinksFollowLifetimes()
    {
        auto holder = std::make_unique<TBitmapHolder>();
        auto panel = std::make_unique<TPaneles>();
        panel->setBitmapHolder(holder.get());
        QCOMPARE(holder->linkCount(), 1);
        panel->setBitmap(positionBitmap(4, 4)); // an own bitmap: stops listening
        QCOMPARE(holder->linkCount(), 0);
        panel->setBitmap(QPixmap()); // none: listens again
        panel->setBitmap(QPixmap()); // and again: still one link
        QCOMPARE(holder->linkCount(), 1);

        TLinkChange stray;
        holder->RemoveLink(&stray); // not in the list: nothing happens
        QCOMPARE(holder->linkCount(), 1);

        int changes = 0;
        TLinkChange counted;
        counted.OnChange = [&](QObject *sender) { changes += sender == holder.get(); };
        holder->AddLink(&counted);
        holder->setBitmap(positionBitmap(2, 2));
        QCOMPARE(changes, 1);

        panel.reset(); // a destroyed panel detaches itself
        QCOMPARE(holder->linkCount(), 1);
        auto second = std::make_unique<TPaneles>();
        second->setBitmapHolder(holder.get());
        holder.reset(); // a destroyed holder leaves no dangling reference
        QCOMPARE(second->BitmapHolder(), nullptr);
        QCOMPARE(counted.holder, nullptr);
    }

    void ledPixelsAndRepaints()
    {
        TimLed led;
        QCOMPARE(led.size(), QSize(14, 14));
        led.setOnColor(QColor(0, 255, 0));
        led.setOffColor(QColor(90, 90, 200));
        led.setChecked(true);
        QImage on = led.grab().toImage();
        const QRgb light = led.palette().color(QPalette::Light).rgb();
        QCOMPARE(on.pixel(10, 9), qRgb(0, 255, 0));
        // The highlight ends at the centre (7, 7), 3 pixels across.
        QCOMPARE(on.pixel(5, 5), light);
        QVERIFY(on.pixel(8, 8) != light);
        led.setChecked(false);
        QCOMPARE(led.grab().toImage().pixel(10, 9), qRgb(90, 90, 200));

        led.show();
        QVERIFY(QTest::qWaitForWindowExposed(&led));
        PaintCounter counter;
        led.installEventFilter(&counter);
        led.setChecked(false); // the current value: no repaint
        QTest::qWait(30);
        QCOMPARE(counter.paints, 0);
        led.setChecked(true);
        QTRY_COMPARE(counter.paints, 1);
    }

    // A separator is a line in the separator colour across the middle, from
    // 10 pixels in to 2 pixels before the right edge; nothing else.
    void menuSeparatorIsALineOnly()
    {
        QWidget owner;
        TMXPMenu painter(&owner);
        painter.SeparatorColor = QColor(1, 2, 3);
        painter.BackColor = Qt::white;
        painter.IconBackColor = QColor(200, 200, 200);
        QImage image(100, 9, QImage::Format_RGB32);
        image.fill(Qt::black);
        QStyleOptionMenuItem option;
        option.rect = image.rect();
        option.menuItemType = QStyleOptionMenuItem::Separator;
        option.text = QStringLiteral("-");
        QPainter p(&image);
        painter.drawControl(QStyle::CE_MenuItem, &option, &p);
        p.end();
        QCOMPARE(image.pixelColor(50, 4), QColor(1, 2, 3));
        QCOMPARE(image.pixelColor(9, 4), QColor(200, 200, 200)); // icon strip, no line
        QCOMPARE(image.pixelColor(10, 4), QColor(1, 2, 3));
        QCOMPARE(image.pixelColor(97, 4), QColor(1, 2, 3));
        QCOMPARE(image.pixelColor(98, 4), Qt::white);
        QCOMPARE(image.pixelColor(50, 1), Qt::white);
    }

    void versionResource()
    {
        QCOMPARE(TVerInfo().FileVersion(), QString("2.2.0.0"));
        QCOMPARE(TVerInfo().language(), 0x0409u);
        QVERIFY(TVerInfo(std::nullopt).FileVersion().isEmpty());
        VersionResource partial { QStringLiteral("040904E4"), { { "ProductName", "X" } } };
        QVERIFY(TVerInfo(partial).FileVersion().isEmpty());
        QCOMPARE(TVerInfo(partial).ProductName(), QString("X"));
    }

    void aboutBoxIsCentredOverTheWindow_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("even") << QRect(0, 0, 870, 540) << QSize(300, 160) << QPoint(285, 190);
        QTest::newRow("odd rounds half up")
            << QRect(10, 20, 871, 541) << QSize(300, 160) << QPoint(296, 211);
        QTest::newRow("box larger")
            << QRect(0, 0, 100, 100) << QSize(301, 301) << QPoint(-101, -101);
    }
    void aboutBoxIsCentredOverTheWindow()
    {
        QFETCH(QRect, owner);
        QFETCH(QSize, box);
        QFETCH(QPoint, expected);
        QCOMPARE(TAboutBox::centredOver(owner, box), expected);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
