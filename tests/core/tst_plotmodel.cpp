#include "modules/NumberText.h"
#include "trace/PlotModel.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace orvane;

Q_DECLARE_METATYPE(orvane::PlotScales)

namespace {
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// 500 x 240 with legend: plot area x 40..400 (PW 360), y 20..220 (PH 200).
// With X 0..360 and Y 0..200 one data unit is one pixel.
PlotModel unitModel()
{
    PlotModel m;
    m.setSize(500, 240);
    m.setXScaleSpan(360);
    m.setYScaleSpan(200);
    return m;
}

QList<double> yValues(const PlotModel &m, int trace)
{
    QList<double> ys;
    for (int j = 0; j < m.pointCount(); ++j)
        ys.append(m.y(trace, j));
    return ys;
}
} // namespace

class TestPlotModel : public QObject
{
    Q_OBJECT
private slots:
    void scaleSetters_data()
    {
        QTest::addColumn<int>("axis"); // 0 X origin, 1 X span, 2 Y origin, 3 Y span
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("taken");
        QTest::newRow("span 0") << 1 << 0.0 << false;
        QTest::newRow("span negative") << 3 << -5.0 << false;
        QTest::newRow("span NaN") << 3 << NaN << false;
        QTest::newRow("span infinite") << 1 << inf << false;
        QTest::newRow("span positive") << 3 << 7.5 << true;
        QTest::newRow("origin negative") << 0 << -3.0 << true;
        QTest::newRow("origin NaN") << 2 << NaN << false;
        QTest::newRow("origin infinite") << 0 << -inf << false;
    }
    // Accepted values go to both copies and switch the automatic scaling
    // off; refused ones change nothing.
    void scaleSetters()
    {
        QFETCH(int, axis);
        QFETCH(double, value);
        QFETCH(bool, taken);
        PlotModel m;
        m.setEnableAutoScale(true); // current Y := 0 .. 1 from the zero store
        auto values = [](const PlotScales &s) {
            return QList { s.XScaleOrigin, s.XScaleSpan, s.YScaleOrigin, s.YScaleSpan };
        };
        const QList<double> current = values(m.current());
        const QList<double> full = values(m.fullView());
        bool (PlotModel::*setters[])(double) = { &PlotModel::setXScaleOrigin,
            &PlotModel::setXScaleSpan, &PlotModel::setYScaleOrigin, &PlotModel::setYScaleSpan };
        QCOMPARE((m.*setters[axis])(value), taken);
        QCOMPARE(m.EnableAutoScale(), !taken);
        QCOMPARE(values(m.current())[axis], taken ? value : current[axis]);
        QCOMPARE(values(m.fullView())[axis], taken ? value : full[axis]);
    }

    void addPoints_data()
    {
        QTest::addColumn<int>("xsLength");
        QTest::addColumn<int>("ysLength");
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("fewer than the store") << 4 << 4;
        QTest::newRow("as many as the store") << 11 << 11;
        QTest::newRow("more than the store") << 25 << 25;
        QTest::newRow("unequal, xs shorter") << 3 << 7;
        QTest::newRow("unequal, ys shorter") << 7 << 0;
    }
    // AddPoints works in one pass; the result is that of one ShiftTrace and
    // one assignment per pair (a list with pop-front and append), the store
    // keeps its size and the other traces stay where they are.
    void addPoints()
    {
        QFETCH(int, xsLength);
        QFETCH(int, ysLength);
        PlotModel m;
        m.setNrOfPoints(10);
        QList<double> expectX, expectY;
        for (int j = 0; j < 11; ++j) {
            m.addPoint(2, -j, -2 * j);
            m.addPoint(5, j, j);
            expectX.append(-j);
            expectY.append(-2 * j);
        }
        QList<double> xs, ys;
        for (int k = 0; k < xsLength; ++k)
            xs.append(k);
        for (int k = 0; k < ysLength; ++k)
            ys.append(100 + k);
        m.AddPoints(2, xs, ys);
        m.addPoint(7, 1, 1); // no such trace
        for (int k = 0; k < std::min(xsLength, ysLength); ++k) {
            expectX.removeFirst();
            expectY.removeFirst();
            expectX.append(xs[k]);
            expectY.append(ys[k]);
        }
        QCOMPARE(m.pointCount(), 11);
        QCOMPARE(yValues(m, 2), expectY);
        for (int j = 0; j < 11; ++j)
            QCOMPARE(m.x(2, j), expectX[j]);
        QCOMPARE(yValues(m, 5), QList<double>({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 }));
        QCOMPARE(yValues(m, 1), QList<double>(11, 0.0));
    }

    void nrOfPoints_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("count"); // points per trace afterwards
        QTest::newRow("0 ignored") << 0 << 251;
        QTest::newRow("negative ignored") << -4 << 251;
        QTest::newRow("above the bound ignored") << kMaxNrOfPoints + 1 << 251;
        QTest::newRow("the bound") << kMaxNrOfPoints << kMaxNrOfPoints + 1;
        QTest::newRow("grow") << 300 << 301;
        QTest::newRow("shrink") << 3 << 4;
    }
    // Points keep their indices; new records are zero.
    void nrOfPoints()
    {
        QFETCH(int, value);
        QFETCH(int, count);
        PlotModel m;
        for (int j = 0; j < 251; ++j)
            m.addPoint(1, j, j + 1);
        m.setNrOfPoints(value);
        QCOMPARE(m.pointCount(), count);
        for (int j = 0; j < count; ++j)
            QCOMPARE(m.y(1, j), j < 251 ? j + 1.0 : 0.0);
    }

    void autoScale_data()
    {
        QTest::addColumn<QList<double>>("values"); // trace 1, the rest of the store 0
        QTest::addColumn<double>("origin");
        QTest::addColumn<double>("span");
        QTest::newRow("never fed") << QList<double> {} << 0.0 << 1.0;
        QTest::newRow("20 % of the minimum")
            << QList<double>(251, 10.0).mid(1) + QList { 20.0 } << 8.0 << 14.0;
        QTest::newRow("negative minimum") << QList { -10.0, 10.0 } << -12.0 << 24.0;
        QTest::newRow("zero minimum") << QList { 5.0 } << 0.0 << 5.0;
        QTest::newRow("non-finite skipped")
            << QList<double>(248, 4.0) + QList { NaN, -inf, 8.0 } << 3.2 << 5.6;
        QTest::newRow("overflowing margins")
            << QList<double>(250, -1e308) + QList { 1e308 } << -1e308 << 1.0;
    }
    void autoScale()
    {
        QFETCH(QList<double>, values);
        QFETCH(double, origin);
        QFETCH(double, span);
        PlotModel m;
        m.setYScaleOrigin(-1);
        m.AddPoints(1, values, values);
        m.setEnableAutoScale(true);
        QCOMPARE(m.current().YScaleOrigin, origin);
        QCOMPARE(m.current().YScaleSpan, span);
        QCOMPARE(m.fullView().YScaleOrigin, -1.0);
        QVERIFY(m.EnableAutoScale());
    }

    void legendRange_data()
    {
        QTest::addColumn<QList<double>>("values"); // trace 3, all 251 points
        QTest::addColumn<QByteArray>("min"); // as the legend and the data line print them
        QTest::addColumn<QByteArray>("max");
        QTest::newRow("infinite throughout")
            << QList<double>(251, inf) << QByteArray("INF") << QByteArray("INF");
        QTest::newRow("numbers and minus infinity") << QList<double>(250, 2.5) + QList { -inf }
                                                    << QByteArray("-INF") << QByteArray("2.500");
        QTest::newRow("not a number throughout")
            << QList<double>(251, NaN) << QByteArray("NAN") << QByteArray("NAN");
        QTest::newRow("not a number among numbers") << QList<double>(250, NaN) + QList { -4.0 }
                                                    << QByteArray("-4.000") << QByteArray("-4.000");
    }
    void legendRange()
    {
        QFETCH(QList<double>, values);
        QFETCH(QByteArray, min);
        QFETCH(QByteArray, max);
        PlotModel m;
        m.AddPoints(3, values, values);
        double minimum = 0, maximum = 0;
        m.traceRange(3, &minimum, &maximum);
        QCOMPARE(formatFixed(minimum, 3), min);
        QCOMPARE(formatFixed(maximum, 3), max);
    }

    void dataToPixel_data()
    {
        QTest::addColumn<bool>("logic");
        QTest::addColumn<int>("trace");
        QTest::addColumn<double>("u");
        QTest::addColumn<double>("v");
        QTest::addColumn<QPoint>("pixel");
        QTest::newRow("origin") << false << 1 << 0.0 << 0.0 << QPoint(40, 220);
        QTest::newRow("far corner") << false << 1 << 360.0 << 200.0 << QPoint(400, 20);
        QTest::newRow("half to even, down") << false << 1 << 0.5 << 0.5 << QPoint(40, 220);
        QTest::newRow("half to even, up") << false << 1 << 1.5 << 1.5 << QPoint(42, 218);
        QTest::newRow("outside, clamped") << false << 1 << -50.0 << 900.0 << QPoint(40, 20);
        QTest::newRow("infinite") << false << 2 << inf << -inf << QPoint(400, 220);
        QTest::newRow("huge") << false << 2 << -1e300 << 1e300 << QPoint(40, 20);
        QTest::newRow("not a number: origin edge") << false << 1 << NaN << NaN << QPoint(40, 220);
        // Strips of height S = 42.5; trace 1 in the top one (bottom 62.5).
        QTest::newRow("top strip, bottom") << true << 1 << 0.0 << 0.0 << QPoint(40, 62);
        QTest::newRow("top strip, top") << true << 5 << 0.0 << 200.0 << QPoint(40, 20);
        QTest::newRow("lowest strip, middle") << true << 4 << 0.0 << 100.0 << QPoint(40, 199);
        QTest::newRow("strip clamps above") << true << 4 << 0.0 << 1e9 << QPoint(40, 178);
        QTest::newRow("strip, not a number") << true << 3 << 0.0 << NaN << QPoint(40, 168);
    }
    void dataToPixel()
    {
        QFETCH(bool, logic);
        QFETCH(int, trace);
        QFETCH(double, u);
        QFETCH(double, v);
        QFETCH(QPoint, pixel);
        PlotModel m = unitModel();
        m.setLogicMode(logic);
        QCOMPARE(m.DataToPixel(trace, u, v), pixel);
        m.addPoint(trace, u, v);
        std::vector<QPoint> points(std::size_t(m.pointCount()));
        m.tracePixels(trace, false, points.data());
        QCOMPARE(points.back(), pixel);
    }

    // The conversion follows the present size, before any paint and after a
    // resize, and clamps to the current range.
    void pixelToData()
    {
        PlotModel m = unitModel();
        QCOMPARE(m.PixelToData(100, 70), QPointF(60, 150));
        QCOMPARE(m.PixelToData(0, 500), QPointF(0, 0));
        QCOMPARE(m.PixelToData(499, 0), QPointF(360, 200));
        m.setSize(860, 440); // PW 720, PH 400: two pixels a unit
        QCOMPARE(m.PixelToData(100, 70), QPointF(30, 175));
        m.setSize(100, 30); // no plot area
        QVERIFY(!m.canZoom());
        QCOMPARE(m.PixelToData(100, 10), QPointF(0, 0));
    }

    void zoom_data()
    {
        QTest::addColumn<QPoint>("a");
        QTest::addColumn<QPoint>("b");
        QTest::addColumn<bool>("logic");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<PlotScales>("view");
        const QSize size(500, 240);
        const PlotScales full { 0, 360, 0, 200 };
        QTest::newRow("down right") << QPoint(100, 70) << QPoint(200, 170) << false << size
                                    << PlotScales { 60, 100, 50, 100 };
        QTest::newRow("up left") << QPoint(200, 170) << QPoint(100, 70) << false << size
                                 << PlotScales { 60, 100, 50, 100 };
        QTest::newRow("same column")
            << QPoint(100, 70) << QPoint(100, 170) << false << size << full;
        QTest::newRow("same row") << QPoint(100, 70) << QPoint(300, 70) << false << size << full;
        QTest::newRow("LogicMode keeps Y") << QPoint(100, 70) << QPoint(200, 170) << true << size
                                           << PlotScales { 60, 100, 0, 200 };
        QTest::newRow("both corners past the right edge") << QPoint(
            450, 70) << QPoint(480, 170) << false << size << PlotScales { 0, 360, 50, 100 };
        QTest::newRow("no plot area")
            << QPoint(10, 5) << QPoint(30, 25) << false << QSize(100, 30) << full;
    }
    void zoom()
    {
        QFETCH(QPoint, a);
        QFETCH(QPoint, b);
        QFETCH(bool, logic);
        QFETCH(QSize, size);
        QFETCH(PlotScales, view);
        PlotModel m = unitModel();
        m.setLogicMode(logic);
        m.setSize(size.width(), size.height());
        m.zoom(a, b);
        QCOMPARE(m.current(), view);
        QCOMPARE(m.fullView(), (PlotScales { 0, 360, 0, 200 }));
        m.restoreFullView();
        QCOMPARE(m.current(), m.fullView());
    }

    // One-pixel drags, again and again: the span shrinks until the next one
    // would fall below the smallest allowed fraction of the full view, and
    // then stays; it never reaches zero or a denormal.
    void repeatedZoomStopsAtSmallestSpan()
    {
        PlotModel m = unitModel();
        double last = m.current().XScaleSpan;
        int refused = 0;
        for (int i = 0; i < 12; ++i) {
            m.zoom(QPoint(100, 70), QPoint(101, 71));
            const double span = m.current().XScaleSpan;
            QVERIFY(std::isnormal(span) && span >= 360 * PlotModel::kMinZoomFraction);
            refused += span == last;
            last = span;
        }
        QVERIFY(refused > 0);
    }
};

QTEST_GUILESS_MAIN(TestPlotModel)
#include "tst_plotmodel.moc"
