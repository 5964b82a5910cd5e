#include "trace/PlotComp.h"
#include "trace/PlotComp_Raster.h"

#include <QMessageBox>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <limits>

using namespace orvane;

namespace {
constexpr double inf = std::numeric_limits<double>::infinity();
const QRgb kGrid = qRgb(200, 200, 200);

// A plot as the trace window shows it: 713 x 241 with its one-pixel
// border, so the client area is 711 x 239: plot area x 40..611 (PW 571),
// y 20..219 (PH 199), Y 0 .. 25.
void configure(TPlot &plot)
{
    plot.resize(713, 241);
    plot.setBGColor(Qt::white);
    plot.setGridColor(QColor(kGrid));
    plot.setYScaleSpan(25);
}

// Grid-coloured columns of one row inside the plot area.
QList<int> gridColumns(const QImage &image, int y, int left, int right)
{
    QList<int> columns;
    for (int x = left; x <= right; ++x) {
        if (image.pixel(x, y) == kGrid)
            columns.append(x);
    }
    return columns;
}
} // namespace

class TestPlotComp : public QObject
{
    Q_OBJECT
private slots:
    void constantTraceRow_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("row");
        QTest::newRow("middle, half to even") << 12.5 << 120; // 219 - 99.5
        QTest::newRow("origin") << 0.0 << 219;
        QTest::newRow("top") << 25.0 << 20;
        QTest::newRow("above the range") << 100.0 << 20;
        QTest::newRow("infinite") << inf << 20;
        QTest::newRow("huge negative") << -1e300 << 219;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 219;
    }
    // Trace 6 (black, drawn last) at a constant value lies on the row the
    // scales give, across the whole plot area.
    void constantTraceRow()
    {
        QFETCH(double, value);
        QFETCH(int, row);
        TPlot plot;
        configure(plot);
        for (int j = 0; j <= plot.NrOfPoints(); ++j)
            plot.model().addPoint(6, j * 0.4, value);
        const QImage image = plot.render();
        QCOMPARE(image.size(), QSize(711, 239));
        for (int x : { 41, 250, 610 }) {
            QCOMPARE(image.pixel(x, row), qRgb(0, 0, 0));
            if (row > 20)
                QVERIFY(image.pixel(x, row - 1) != qRgb(0, 0, 0));
            if (row < 219)
                QVERIFY(image.pixel(x, row + 1) != qRgb(0, 0, 0));
        }
    }

    void gridLines_data()
    {
        QTest::addColumn<bool>("legend");
        QTest::addColumn<bool>("halves");
        QTest::addColumn<QList<int>>("solid"); // x of the solid vertical lines
        QTest::addColumn<QList<int>>("dotted"); // and of the dotted ones
        // PW 571: lines at i * 57.1 + 40; halves at i * 28.55 + 40.
        QTest::newRow("legend, halves")
            << true << true << QList { 40, 97, 154, 211, 268, 326, 383, 440, 497, 554, 611 }
            << QList { 69, 126, 183, 240, 297, 354, 411, 468, 525, 582 };
        QTest::newRow("legend") << true << false
                                << QList { 40, 97, 154, 211, 268, 326, 383, 440, 497, 554, 611 }
                                << QList<int> {};
        // Without legend the right margin is 20: PW 651.
        QTest::newRow("no legend")
            << false << false << QList { 40, 105, 170, 235, 300, 366, 431, 496, 561, 626, 691 }
            << QList<int> {};
    }
    // Row 30 lies between horizontal lines and on a dot of the dotted
    // verticals (which start at row 20); row 31 only crosses solid lines.
    void gridLines()
    {
        QFETCH(bool, legend);
        QFETCH(bool, halves);
        QFETCH(QList<int>, solid);
        QFETCH(QList<int>, dotted);
        TPlot plot;
        configure(plot);
        plot.setShowLegend(legend);
        plot.setXLabelDouble(halves);
        const QImage image = plot.render();
        const int right = solid.last();
        QList<int> both = solid + dotted;
        std::sort(both.begin(), both.end());
        QCOMPARE(gridColumns(image, 30, 40, right), both);
        QCOMPARE(gridColumns(image, 31, 40, right), solid);
        // Horizontal lines at i * 19.9 + 20: solid for even i, dotted for odd.
        QCOMPARE(
            gridColumns(image, 60, 60, right).size(), right - 60 + 1); // right of the tick label
        for (int x = 41; x <= 45; ++x)
            QCOMPARE(image.pixel(x, 40) == kGrid, x % 2 == 0);
    }

    // Drag and right-click, with the mouse positions inside the border.
    void mouseZoom()
    {
        TPlot plot;
        configure(plot);
        plot.setXScaleSpan(571); // one unit a pixel
        plot.setYScaleSpan(199);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QPoint border(1, 1);
        QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(100, 69) + border);
        const quint64 renders = plot.renderCount();
        QTest::mouseMove(&plot, QPoint(300, 150) + border);
        QTest::mouseMove(&plot, QPoint(200, 169) + border);
        QApplication::processEvents();
        QCOMPARE(plot.renderCount(), renders); // the band never renders the traces
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(200, 169) + border);
        QCOMPARE(plot.XScaleOrigin(), 60.0);
        QCOMPARE(plot.XScaleSpan(), 100.0);
        QCOMPARE(plot.YScaleOrigin(), 50.0);
        QCOMPARE(plot.YScaleSpan(), 100.0);
        QTest::mouseClick(&plot, Qt::RightButton, {}, QPoint(300, 50));
        QCOMPARE(plot.XScaleOrigin(), 0.0);
        QCOMPARE(plot.XScaleSpan(), 571.0);
        QCOMPARE(plot.YScaleSpan(), 199.0);
    }

    void interruptedDrag_data()
    {
        QTest::addColumn<bool>("modalBox");
        QTest::newRow("window hidden") << false;
        QTest::newRow("modal box opens") << true;
    }
    // A zoom drag that never sees its button go up ends without zooming and
    // leaves no rubber band behind.
    void interruptedDrag()
    {
        QFETCH(bool, modalBox);
        QWidget window;
        auto *plot = new TPlot(&window);
        configure(*plot);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage clean = plot->grab().toImage();
        QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(100, 70));
        QTest::mouseMove(plot, QPoint(300, 150));
        QVERIFY(plot->grab().toImage() != clean); // the band
        if (modalBox) {
            QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
            QMessageBox::critical(nullptr, "Error", "FT_Read failed");
        } else {
            window.hide();
            window.show();
        }
        QCOMPARE(plot->grab().toImage(), clean);
        QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(300, 150));
        QCOMPARE(plot->XScaleSpan(), 100.0);
        QCOMPARE(plot->grab().toImage(), clean);
    }

    void timerFeed()
    {
        TPlot plot;
        QVERIFY(plot.UpdateTimer->isActive());
        QCOMPARE(plot.UpdateTimer->interval(), 1000);
        plot.setUpdateInterval(0); // would spin
        QVERIFY(!plot.UpdateTimer->isActive());
        plot.setUpdateInterval(5);
        QVERIFY(plot.UpdateTimer->isActive());

        plot.Clock = [] { return QDateTime(QDate(1900, 1, 1), QTime(18, 0)); };
        int calls = 0;
        plot.DataRequest = [&calls](TPlot *sender, double &value) {
            QVERIFY(!sender->UpdateTimer->isActive()); // stopped while it runs
            value = 42.0 + calls++;
        };
        QTest::qWait(30);
        QCOMPARE(calls, 0); // UpdateActive is still false
        plot.setUpdateActive(true);
        QTRY_VERIFY(calls >= 2);
        const int n = plot.NrOfPoints();
        QCOMPARE(plot.model().y(1, n), 42.0 + calls - 1);
        QCOMPARE(plot.model().x(1, n), 2.75); // 30 Dec 1899 + 2 days + 18 h
        QVERIFY(plot.UpdateTimer->isActive());

        // A handler may destroy the control.
        QPointer<TPlot> doomed = new TPlot;
        doomed->setUpdateInterval(1);
        doomed->setUpdateActive(true);
        doomed->DataRequest = [](TPlot *sender, double &) { delete sender; };
        QTRY_VERIFY(doomed.isNull());
    }

    // Segments with ends outside the image are clipped pixel by pixel; the
    // pixels inside are those of the same segment drawn whole in a larger
    // image, and both ends of a whole segment are drawn.
    void canvasLinesClip()
    {
        QRandomGenerator random(11);
        for (int round = 0; round < 300; ++round) {
            const QPoint a(random.bounded(-60, 160), random.bounded(-60, 160));
            const QPoint b(random.bounded(-60, 160), random.bounded(-60, 160));
            QImage small(100, 100, QImage::Format_RGB32);
            QImage large(220, 220, QImage::Format_RGB32);
            small.fill(Qt::white);
            large.fill(Qt::white);
            const QPoint shift(60, 60);
            PixelCanvas(small).line(a, b, qRgb(0, 0, 0));
            PixelCanvas(large).line(a + shift, b + shift, qRgb(0, 0, 0));
            QCOMPARE(small, large.copy(QRect(shift, small.size())));
            QCOMPARE(large.pixel(a + shift), qRgb(0, 0, 0));
            QCOMPARE(large.pixel(b + shift), qRgb(0, 0, 0));
        }
    }
};

QTEST_MAIN(TestPlotComp)
#include "tst_plotcomp.moc"
