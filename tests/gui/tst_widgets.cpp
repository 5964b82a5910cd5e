// The building blocks of the windows, by their pixels: tiled panels and their
// bitmap holder, the LED colours.
#include "widgets/Paneles.h"
#include "widgets/imLed.h"

#include <QImage>
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
        QCOMPARE(p.grab().toImage().pixel(at), bitmap.toImage().pixel(bitmapPixel));
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
        QVERIFY(!second->BitmapHolder() && !counted.holder);
    }

    void ledPixels()
    {
        TimLed led;
        QCOMPARE(led.size(), QSize(14, 14));
        led.setOnColor(QColor(0, 255, 0));
        led.setOffColor(QColor(90, 90, 200));
        led.setChecked(true);
        const QImage on = led.grab().toImage();
        const QRgb light = led.palette().color(QPalette::Light).rgb();
        QCOMPARE(on.pixel(10, 9), qRgb(0, 255, 0));
        // The highlight ends at the centre (7, 7), 3 pixels across.
        QVERIFY(on.pixel(5, 5) == light && on.pixel(8, 8) != light);
        led.setChecked(false);
        QCOMPARE(led.grab().toImage().pixel(10, 9), qRgb(90, 90, 200));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
